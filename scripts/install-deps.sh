#!/usr/bin/env bash
# Installs every Debian package that building, playing and testing VORNEX needs; with
# --web also what the browser build and its test need, and Debian's source packages made
# reachable (the browser build compiles its libraries from them).
# Safe to run again: it only installs what is missing. Run as root or with sudo.
#   scripts/install-deps.sh [--web]
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  # the platform layer's libraries
  libsdl2-dev libepoxy-dev libfreetype-dev libfontconfig-dev libstb-dev fonts-liberation
  # the effect files' HLSL: glslang to SPIR-V (with SPIRV-Tools; its CMake package also wants
  # glslang-tools), SPIRV-Cross to GLSL
  glslang-dev glslang-tools spirv-tools libspirv-cross-c-shared-dev
  # tests; LeakSanitizer's run-time library for the soak run
  libgtest-dev libgmock-dev liblsan0
  # fuzzing the platform's file readers (clang with libFuzzer and the sanitizer runtimes)
  clang libclang-rt-14-dev
  # end-to-end tests in a real X server
  xvfb xauth xdotool libx11-dev imagemagick
  # the Debian package (CPack reads the program's libraries with dpkg-shlibdeps and file)
  dpkg-dev file
  # the Windows cross build of the game sources, and Wine to run it
  g++-mingw-w64-x86-64 mingw-w64-x86-64-dev wine wine64
)
WEB_PACKAGES=(
  # the browser build: Debian's Emscripten, and dpkg-source to unpack source packages
  emscripten dpkg-dev
  # the browser test: headless Chromium, driven through the DevTools protocol
  chromium
)
[ "${1:-}" = --web ] && PACKAGES+=("${WEB_PACKAGES[@]}")

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# `apt-get source` needs a deb-src line for the release in use.
need_sources=false
if [ "${1:-}" = --web ] && ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "install-deps: adding Debian's source packages (deb-src) to apt's sources"
  $SUDO tee /etc/apt/sources.list.d/vornex-deb-src.sources >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $(. /etc/os-release && echo "$VERSION_CODENAME") $(. /etc/os-release && echo "$VERSION_CODENAME")-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  need_sources=true
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  if $need_sources; then $SUDO apt-get update -q; fi
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
