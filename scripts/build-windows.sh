#!/usr/bin/env bash
# Cross-compiles the game sources (src/ only, none of platform/) for Windows with
# mingw-w64 and links vornex.exe against the real Direct3D 9, D3DX 9, DirectSound and
# winmm import libraries. usage: build-windows.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/build-windows}
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$out"
test -f "$out/vornex.exe"
echo "built $out/vornex.exe"
