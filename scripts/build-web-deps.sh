#!/usr/bin/env bash
# Builds the platform layer's third-party libraries for the browser target (WebAssembly, WebGL 2)
# with Debian's emscripten, from the Debian source packages of the versions Debian ships here as
# binaries: SDL2, SPIRV-Tools (on SPIRV-Headers), glslang with its HLSL front end and optimiser,
# SPIRV-Cross (core, GLSL, C API) and FreeType.
#
#   scripts/build-web-deps.sh [CACHE_DIR]   (default: $VORNEX_WEB_CACHE or ~/.cache/vornex-web)
#
# Everything lands in CACHE_DIR: a writable copy of Emscripten's system-library cache (emcache/),
# the unpacked sources (src/), one install prefix per library and version (<package>-<version>/),
# and env.sh, which the web build sources for EM_CACHE and the prefixes. A library is built again
# only when its version, the emscripten version or RECIPE below changes, so a second run takes
# seconds. Needs: emscripten cmake ninja-build (or make) dpkg-dev, and a deb-src entry for Debian.
set -euo pipefail

# Bump when the build flags below change, so cached libraries are rebuilt.
RECIPE=1
CACHE=${1:-${VORNEX_WEB_CACHE:-$HOME/.cache/vornex-web}}
JOBS=$(nproc)

die() { echo "build-web-deps: error: $*" >&2; exit 1; }
for tool in emcc emar emcmake cmake apt-get dpkg-source dpkg-deb patch; do
  command -v "$tool" >/dev/null || die "'$tool' not found (apt-get install emscripten cmake dpkg-dev patch)"
done
GEN=(-G "Unix Makefiles"); command -v ninja >/dev/null && GEN=(-G Ninja)

mkdir -p "$CACHE/src" "$CACHE/build"
CACHE=$(cd "$CACHE" && pwd)
SRC=$CACHE/src
exec 9>"$CACHE/.lock"
flock 9 # one run at a time per cache

EM_VERSION=$(dpkg-query -W -f='${Version}' emscripten 2>/dev/null) ||
  die "the Debian package 'emscripten' is not installed"
EM_STAMP="emscripten $EM_VERSION"
STAMP_TEXT="$EM_STAMP, recipe $RECIPE"

# --- Emscripten's system libraries -------------------------------------------------------------
# Debian ships them prebuilt in a cache that its config freezes (FROZEN_CACHE = True), so a
# variant missing from it is an error instead of being built. We use a writable copy of it, which
# keeps the prebuilt libraries (an empty cache takes minutes to rebuild libc, libc++ and the rest)
# and leaves /usr alone. EM_FROZEN_CACHE must be set and empty: any non-empty value, "0" included,
# counts as true.
SYS_CACHE=$(dpkg -L emscripten | grep '/emscripten/cache$') ||
  die "no 'cache' folder in the emscripten package (dpkg -L emscripten)"
export EM_CACHE=$CACHE/emcache EM_FROZEN_CACHE=
# Debian's emscripten runs its JavaScript tools with the machine's node, and needs the 'acorn'
# module from node-acorn in /usr/share/nodejs; a node not built by Debian does not look there.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
t=$SECONDS
if [[ $(cat "$EM_CACHE/.vornex-stamp" 2>/dev/null) != "$EM_STAMP" ]]; then
  rm -rf "$EM_CACHE" "$EM_CACHE.tmp"
  cp -a "$SYS_CACHE" "$EM_CACHE.tmp"
  echo "$EM_STAMP" >"$EM_CACHE.tmp/.vornex-stamp"
  mv "$EM_CACHE.tmp" "$EM_CACHE"
  echo "emcache: copied from $SYS_CACHE in $((SECONDS - t)) s"
else
  echo "emcache: cached"
fi

# --- Debian sources ------------------------------------------------------------------------------
# Prints the source package version behind the binary package $1's candidate (the version
# apt-get would install here); a binNMU's binary version differs and names it in 'Source:'.
source_version() {
  local info
  info=$(apt-cache show --no-all-versions "$1" 2>/dev/null) && [[ -n $info ]] ||
    die "apt knows no binary package '$1' (run apt-get update)"
  awk '/^Source: .*\(/ { gsub(/[()]/, "", $3); v = $3 } /^Version:/ && !v { v = $2 } END { print v }' <<<"$info"
}

# Unpacks source package $1 at version $2 into $SRC/$1-$2 once, with Debian's patches applied.
# Returns 1 when apt-get cannot download it.
fetch_source() {
  local pkg=$1 ver=$2 dir=$SRC/$1-$2 dl=$SRC/.download-$1 t=$SECONDS
  [[ -d $dir ]] && { echo "source $pkg $ver: present"; return 0; }
  rm -rf "$dl" "$dir.tmp"; mkdir -p "$dl"
  (cd "$dl" && apt-get source --download-only "$pkg=$ver") >"$dl.log" 2>&1 || return 1
  dpkg-source -x --no-copy "$dl"/*.dsc "$dir.tmp" >>"$dl.log" 2>&1 || die "dpkg-source could not unpack $pkg $ver (see $dl.log)"
  # "3.0 (quilt)" sources come out patched; older formats keep their patches in debian/patches.
  if [[ $(cat "$dir.tmp/debian/source/format" 2>/dev/null) != "3.0 (quilt)" && -f $dir.tmp/debian/patches/series ]]; then
    local p
    while read -r p _; do
      [[ -z $p || $p == \#* ]] && continue
      patch -d "$dir.tmp" -p1 --batch -s -i "debian/patches/$p" >>"$dl.log" 2>&1 ||
        die "Debian patch $p does not apply to $pkg $ver (see $dl.log)"
    done <"$dir.tmp/debian/patches/series"
  fi
  mv "$dir.tmp" "$dir"; rm -rf "$dl" "$dl.log"
  echo "source $pkg $ver: fetched in $((SECONDS - t)) s"
}

fetch_or_die() { fetch_source "$1" "$2" || die "apt-get source $1=$2 failed (see $SRC/.download-$1.log)"; }

# SPIRV-Headers is only headers and grammar files, the same in its source and in the
# architecture-independent binary package. If the mirror lacks the source archive, the
# binary package's files are used instead (same version), laid out like the source tree.
fetch_spirv_headers() {
  local ver=$1 dir=$SRC/spirv-headers-$1 t=$SECONDS
  fetch_source spirv-headers "$ver" && return 0
  echo "source spirv-headers $ver: no source archive on the mirror; using the binary package's headers"
  rm -rf "$dir.tmp"; mkdir -p "$dir.tmp"
  (cd "$dir.tmp" && apt-get download "spirv-headers=$ver" && dpkg-deb -x spirv-headers_*.deb root) \
    >"$SRC/.download-spirv-headers.log" 2>&1 ||
    die "neither the source nor the binary package of spirv-headers $ver could be had (see $SRC/.download-spirv-headers.log)"
  mv "$dir.tmp/root/usr/include" "$dir.tmp/include"; rm -rf "$dir.tmp/root" "$dir.tmp"/*.deb
  mv "$dir.tmp" "$dir"
  echo "source spirv-headers $ver: unpacked in $((SECONDS - t)) s"
}

V_SDL2=$(source_version libsdl2-dev);                 fetch_or_die libsdl2 "$V_SDL2"
V_HEADERS=$(source_version spirv-headers);            fetch_spirv_headers "$V_HEADERS"
V_TOOLS=$(source_version spirv-tools);                fetch_or_die spirv-tools "$V_TOOLS"
V_GLSLANG=$(source_version glslang-dev);              fetch_or_die glslang "$V_GLSLANG"
V_CROSS=$(source_version libspirv-cross-c-shared-dev); fetch_or_die spirv-cross "$V_CROSS"
V_FREETYPE=$(source_version libfreetype-dev);         fetch_or_die freetype "$V_FREETYPE"

# --- Building --------------------------------------------------------------------------------------
# C++ code is built with exception catching on: SPIRV-Cross reports errors by throwing, and the
# game links with -sDISABLE_EXCEPTION_CATCHING=0. No -pthread anywhere: the page runs without
# SharedArrayBuffer.
CXX_EXC="-fexceptions -sDISABLE_EXCEPTION_CATCHING=0"
CMAKE_COMMON=("${GEN[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_LIBDIR=lib
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
  -DBUILD_SHARED_LIBS=OFF)

# Runs a command with its output appended to $LOG; on failure shows the log's end and stops.
run() {
  "$@" >>"$LOG" 2>&1 && return 0
  tail -n 40 "$LOG" >&2
  die "$NAME: '$1 ${2:-}...' failed (full log: $LOG)"
}

# build NAME VERSION FUNCTION: runs FUNCTION SRC_DIR PREFIX BUILD_DIR unless PREFIX already holds
# a finished build for this version; the stamp is written only after a complete install.
build() {
  NAME=$1; local ver=$2 fn=$3 t=$SECONDS
  local prefix=$CACHE/$NAME-$ver b=$CACHE/build/$NAME-$ver
  LOG=$CACHE/build/$NAME-$ver.log
  if [[ $(cat "$prefix/.vornex-stamp" 2>/dev/null) == "$STAMP_TEXT" ]]; then
    echo "$NAME $ver: cached"; return
  fi
  rm -rf "$prefix" "$b" "$LOG"; mkdir -p "$b"
  "$fn" "$SRC/$NAME-$ver" "$prefix" "$b"
  echo "$STAMP_TEXT" >"$prefix/.vornex-stamp"
  rm -rf "$b" "$LOG"
  echo "$NAME $ver: built in $((SECONDS - t)) s"
}

# SDL2: its CMake configure runs emcc for each of its ~320 checks (minutes), while the source tree
# already carries a fixed configuration for Emscripten (include/SDL_config_emscripten.h, chosen by
# include/SDL_config.h): video, audio, joystick and power through the browser, WebGL contexts, unix
# timers, no threads (generic stubs). So its sources are compiled directly; files for features
# that configuration leaves out compile to nothing.
build_sdl2() {
  local s=$1 p=$2 b=$3 d files=("$1"/src/*.c)
  shopt -s nullglob # some folders under render/ hold no C files
  for d in atomic audio audio/disk audio/dummy audio/emscripten cpuinfo dynapi events file \
           filesystem/emscripten haptic haptic/dummy hidapi joystick joystick/emscripten libm \
           loadso/dlopen locale locale/emscripten misc misc/emscripten power power/emscripten \
           render 'render/*' sensor sensor/dummy stdlib thread thread/generic timer timer/unix \
           video video/emscripten video/yuv2rgb; do
    files+=("$s"/src/$d/*.c)
  done
  shopt -u nullglob
  # Each object is named after its path under src/, as some file names repeat across folders.
  printf '%s\n' "${files[@]#"$s/src/"}" | (cd "$s/src" && run xargs -P "$JOBS" -I{} sh -c \
    'exec emcc -O2 -DNDEBUG -I../include -c "$1" -o "$2/$(echo "$1" | tr / _).o"' sh {} "$b")
  mkdir -p "$p/lib" "$p/include/SDL2"
  run emar rcs "$p/lib/libSDL2.a" "$b"/*.o
  cp "$s"/include/*.h "$p/include/SDL2/"
}

build_spirv_tools() {
  local s=$1 p=$2 b=$3
  # Its CMake adds -fno-exceptions to every target after our flags; drop it, so that all C++
  # libraries of the link share one exception model.
  sed -i 's/-std=c++11 -fno-exceptions)/-std=c++11)/' "$s/CMakeLists.txt"
  ! grep -q -- '-fno-exceptions' "$s/CMakeLists.txt" ||
    die "spirv-tools: CMakeLists.txt still adds -fno-exceptions; review the workaround"
  run emcmake cmake -S "$s" -B "$b" "${CMAKE_COMMON[@]}" -DCMAKE_INSTALL_PREFIX="$p" \
    -DCMAKE_CXX_FLAGS="$CXX_EXC" -DSPIRV-Headers_SOURCE_DIR="$SRC/spirv-headers-$V_HEADERS" \
    -DSPIRV_SKIP_EXECUTABLES=ON -DSPIRV_SKIP_TESTS=ON -DSPIRV_WERROR=OFF -DSPIRV_TOOLS_BUILD_STATIC=ON
  run cmake --build "$b" -j "$JOBS"
  run cmake --install "$b"
}

build_glslang() {
  local s=$1 p=$2 b=$3
  # Debian's patches make glslang find SPIRV-Tools through pkg-config: point that at our build
  # only, never at the machine's native SPIRV-Tools.
  PKG_CONFIG_LIBDIR=$VORNEX_WEB_SPIRV_TOOLS/lib/pkgconfig PKG_CONFIG_PATH= \
    run emcmake cmake -S "$s" -B "$b" "${CMAKE_COMMON[@]}" -DCMAKE_INSTALL_PREFIX="$p" \
    -DCMAKE_CXX_FLAGS="$CXX_EXC" -DENABLE_EXCEPTIONS=ON -DENABLE_HLSL=ON -DENABLE_OPT=ON \
    -DENABLE_GLSLANG_BINARIES=OFF -DENABLE_CTEST=OFF -DBUILD_EXTERNAL=OFF -DENABLE_PCH=OFF
  grep -q 'optimizer enabled' "$LOG" || die "glslang: configure did not enable the SPIR-V optimiser (see $LOG)"
  run cmake --build "$b" -j "$JOBS"
  run cmake --install "$b"
  # GetDefaultResources() lives in a library that glslang builds only with its command-line tools.
  local f
  for f in ResourceLimits resource_limits_c; do
    run em++ -O2 -DNDEBUG $CXX_EXC -std=c++11 -I"$s" -c "$s/StandAlone/$f.cpp" -o "$b/$f.o"
  done
  run emar rcs "$p/lib/libglslang-default-resource-limits.a" "$b/ResourceLimits.o" "$b/resource_limits_c.o"
}

build_spirv_cross() {
  local s=$1 p=$2 b=$3
  run emcmake cmake -S "$s" -B "$b" "${CMAKE_COMMON[@]}" -DCMAKE_INSTALL_PREFIX="$p" \
    -DCMAKE_CXX_FLAGS="$CXX_EXC" -DSPIRV_CROSS_STATIC=ON -DSPIRV_CROSS_SHARED=OFF \
    -DSPIRV_CROSS_CLI=OFF -DSPIRV_CROSS_ENABLE_TESTS=OFF -DSPIRV_CROSS_ENABLE_GLSL=ON \
    -DSPIRV_CROSS_ENABLE_C_API=ON -DSPIRV_CROSS_ENABLE_HLSL=OFF -DSPIRV_CROSS_ENABLE_MSL=OFF \
    -DSPIRV_CROSS_ENABLE_CPP=OFF -DSPIRV_CROSS_ENABLE_REFLECT=OFF -DSPIRV_CROSS_ENABLE_UTIL=OFF
  run cmake --build "$b" -j "$JOBS"
  run cmake --install "$b"
}

build_freetype() {
  local s=$1 p=$2 b=$3
  run emcmake cmake -S "$s" -B "$b" "${CMAKE_COMMON[@]}" -DCMAKE_INSTALL_PREFIX="$p" \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON
  run cmake --build "$b" -j "$JOBS"
  run cmake --install "$b"
}

export VORNEX_WEB_SDL2=$CACHE/libsdl2-$V_SDL2
export VORNEX_WEB_SPIRV_HEADERS=$SRC/spirv-headers-$V_HEADERS
export VORNEX_WEB_SPIRV_TOOLS=$CACHE/spirv-tools-$V_TOOLS
export VORNEX_WEB_GLSLANG=$CACHE/glslang-$V_GLSLANG
export VORNEX_WEB_SPIRV_CROSS=$CACHE/spirv-cross-$V_CROSS
export VORNEX_WEB_FREETYPE=$CACHE/freetype-$V_FREETYPE

build libsdl2 "$V_SDL2" build_sdl2
build spirv-tools "$V_TOOLS" build_spirv_tools
# glslang is compiled against SPIRV-Tools' headers: rebuild it whenever SPIRV-Tools was.
[[ -f $VORNEX_WEB_GLSLANG/.vornex-stamp && $VORNEX_WEB_GLSLANG/.vornex-stamp -ot $VORNEX_WEB_SPIRV_TOOLS/.vornex-stamp ]] &&
  rm -f "$VORNEX_WEB_GLSLANG/.vornex-stamp"
build glslang "$V_GLSLANG" build_glslang
build spirv-cross "$V_CROSS" build_spirv_cross
build freetype "$V_FREETYPE" build_freetype

# --- env.sh ----------------------------------------------------------------------------------------
{
  echo "# Written by scripts/build-web-deps.sh; source it before building the web target."
  printf 'export EM_CACHE=%q\n' "$EM_CACHE"
  echo "export EM_FROZEN_CACHE="
  echo 'export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}'
  for v in SDL2 SPIRV_HEADERS SPIRV_TOOLS GLSLANG SPIRV_CROSS FREETYPE; do
    v=VORNEX_WEB_$v; printf 'export %s=%q\n' "$v" "${!v}"
  done
} >"$CACHE/env.sh"
echo "env: $CACHE/env.sh"
