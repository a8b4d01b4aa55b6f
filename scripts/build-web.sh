#!/usr/bin/env bash
# The browser build (`make web`): the game's sources and the platform compiled with Debian's
# Emscripten into BUILD/web: vornex.html, vornex.js, vornex.wasm and vornex.data. The
# libraries come from scripts/build-web-deps.sh (built once from Debian's source packages,
# kept in a cache outside the clone); the data files are the desktop build's, laid out in
# BUILD/run, which must be built first (`make build`).
#
#   scripts/build-web.sh [build dir, default build]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
[ -d "$build/run" ] || { echo "build-web: $build/run is missing: build the desktop game first (make build)" >&2; exit 1; }

cache=${VORNEX_WEB_CACHE:-$HOME/.cache/vornex-web}
bash "$root/scripts/build-web-deps.sh" "$cache"
# shellcheck disable=SC1091
. "$cache/env.sh"

emcmake cmake -S "$root" -B "$build/web-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVORNEX_WEB_RUN_DIR="$build/run" -DVORNEX_WEB_OUTPUT_DIR="$build/web" >/dev/null
cmake --build "$build/web-cmake"
ls -l "$build/web"
