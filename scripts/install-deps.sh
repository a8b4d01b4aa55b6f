#!/usr/bin/env bash
# Installs every Debian package that building, playing and testing VORNEX needs.
# Safe to run again: it only installs what is missing. Run as root or with sudo.
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

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
