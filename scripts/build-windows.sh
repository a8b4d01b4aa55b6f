#!/usr/bin/env bash
# Cross-compiles the game sources (src/ only, none of platform/) for Windows with
# mingw-w64 and links vornex.exe against the real Direct3D 9, D3DX 9, DirectSound and
# winmm import libraries. Given the Linux build's run directory (every data file the
# game reads, laid out under the names it opens), it also makes the Windows run folder:
# BUILD_DIR/VORNEX with vornex.exe beside those files, and BUILD_DIR/vornex-windows.zip
# of that folder, which a player unpacks and runs.
# usage: build-windows.sh [BUILD_DIR [RUN_DIR]]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/build-windows}
run_dir=${2:-}
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$out"
test -f "$out/vornex.exe"
echo "built $out/vornex.exe"
[ -n "$run_dir" ] || exit 0

# The data files are made by the Linux build (the data generator and data/); the notes
# on the effect format are for developers, not players.
for file in ground.bmp ShdTerrain.fx Art/Title.png; do
  [ -f "$run_dir/$file" ] || { echo "build-windows: $run_dir has no $file: build the game first" >&2; exit 1; }
done
folder="$out/VORNEX"
rm -rf "$folder" "$out/vornex-windows.zip"
mkdir -p "$folder"
cp -R "$run_dir"/. "$folder"/
rm -f "$folder"/*.md
cp "$out/vornex.exe" "$folder/"
(cd "$out" && cmake -E tar cf vornex-windows.zip --format=zip VORNEX)
echo "laid out $folder and packed $out/vornex-windows.zip ($(find "$folder" -type f | wc -l) files)"
