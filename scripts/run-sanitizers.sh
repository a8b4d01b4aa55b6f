#!/usr/bin/env bash
# Builds the unit tests and the headless driver with the address (and leak) and
# undefined-behaviour sanitizers in their own build directory, runs each test program
# once, the leak check of many worlds in a row on its own, then one whole scripted game
# cycle through the headless driver (title menu, story, a three-minute game, game over,
# title menu, Quit).
#
#   scripts/run-sanitizers.sh [build dir, default build-sanitize]
#
# Every test program runs as one process, so LeakSanitizer looks at the whole run when it
# exits. Any sanitizer report fails the run; the log of each program is kept in
# <build dir>/sanitizer-logs/.
#
# Leak reports of third-party libraries are handled in two ways, both in tests/sanitizers/:
#   - lsan.supp suppresses allocations that libraries (fontconfig) keep until exit; it
#     names third-party libraries only, never our code;
#   - keep_libraries_loaded.cpp is preloaded so that unloading a library (the graphics
#     driver, with each device) does not strand the blocks its globals held.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-sanitize}
sanitizers=$root/tests/sanitizers
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"

# The build runs the data generator, itself sanitized: the same options apply to it.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
programs=(platform_tests shell_tests game_tests data_tests)
cmake --build "$build" --target "${programs[@]}" vornex_headless
build=$(cd "$build" && pwd)

compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
"$compiler" -shared -fPIC -O1 -o "$build/keep_libraries_loaded.so" "$sanitizers/keep_libraries_loaded.cpp"
# The address sanitizer's runtime must come first among the preloaded libraries.
preload=$("$compiler" -print-file-name=libasan.so):$build/keep_libraries_loaded.so

logs=$build/sanitizer-logs
mkdir -p "$logs"
status=0

# Runs one test program from the tests' build directory; $1 names the log.
run() {
  local name=$1
  shift
  if (cd "$build/tests" && LD_PRELOAD=$preload "$@") >"$logs/$name.log" 2>&1; then
    echo "$name: clean"
  else
    echo "$name: FAILED (log: $logs/$name.log)" >&2
    grep -E 'ERROR: |SUMMARY: |runtime error|\[  FAILED  \]' "$logs/$name.log" | head -n 20 >&2 || true
    status=1
  fi
}

for program in "${programs[@]}"; do
  run "$program" "$build/tests/$program"
done

# Fifty games built, updated and discarded on a real device with the game's assets and
# effects: LeakSanitizer must find nothing left of them.
run fifty_worlds "$build/tests/game_tests" --gtest_filter=WorldOnDevice.FiftyGamesInARowGiveBackEverything

# The real game through its own main loop, screens and shutdown, played by a script; 40
# virtual ms a pass (about 4,600 frames) keeps the instrumented run to a few minutes.
run headless_playthrough "$build/vornex_headless" --run-dir "$build/run" --shots "$logs" --frame-ms 40 \
  "$root/tools/headless/scripts/playthrough.vxs"

exit $status
