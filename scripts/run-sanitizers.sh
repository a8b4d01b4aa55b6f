#!/usr/bin/env bash
# Builds the unit tests and the headless driver with the address (and leak) and
# undefined-behaviour sanitizers in their own build directory and runs them.
#
#   scripts/run-sanitizers.sh [--full] [build dir, default build-sanitize]
#
# The short run (the test command's): each unit-test program once and, beside them, a
# short scripted game through the headless driver (title menu, story, some 45 s of play
# with the fire button held and a kill, Escape). --full (make sanitize-full) then adds the
# leak check of fifty worlds in a row on its own and one whole scripted game cycle (title
# menu, story, a three-minute game, game over, title menu, Quit).
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
full=""
if [ "${1:-}" = "--full" ]; then
  full=yes
  shift
fi
build=${1:-$root/build-sanitize}
sanitizers=$root/tests/sanitizers
scripts=$root/tools/headless/scripts
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
# -O1 with line tables: what the sanitizers' reports need, at about half the compile time
# of -O2 -g (a clean test run builds this tree from nothing).
optimisation="-O1 -g1"

# The build runs the data generator, itself sanitized: the same options apply to it.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$optimisation" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
programs=(platform_tests shell_tests game_tests data_tests)
cmake --build "$build" --target "${programs[@]}" vornex_headless
build=$(cd "$build" && pwd)

compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
"$compiler" -shared -fPIC -O1 -o "$build/keep_libraries_loaded.so" "$sanitizers/keep_libraries_loaded.cpp"
# The address sanitizer's runtime must come first among the preloaded libraries.
preload=$("$compiler" -print-file-name=libasan.so):$build/keep_libraries_loaded.so

logs=$build/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
status=0

# Runs one program from the tests' build directory; $1 names the log. Returns non-zero
# (and says why) when the program failed or a sanitizer reported.
run() {
  local name=$1
  shift
  if (cd "$build/tests" && LD_PRELOAD=$preload "$@") >"$logs/$name.log" 2>&1; then
    echo "$name: clean"
  else
    echo "$name: FAILED (log: $logs/$name.log)" >&2
    grep -E 'ERROR: |SUMMARY: |runtime error|\[  FAILED  \]|vornex_headless: ' "$logs/$name.log" | head -n 20 >&2 || true
    return 1
  fi
}

# The short game's time goes mostly to the software rasteriser, which the address
# sanitizer's allocator slows; it runs beside the test programs, which are single-threaded.
# 40 virtual ms a pass: some 1,100 frames.
run short_game "$build/vornex_headless" --run-dir "$build/run" --shots "$logs" --frame-ms 40 \
  "$scripts/short_game.vxs" &
game=$!

for program in "${programs[@]}"; do
  run "$program" "$build/tests/$program" || status=1
done
wait "$game" || status=1

if [ -n "$full" ]; then
  # Fifty games built, updated and discarded on a real device with the game's assets and
  # effects: LeakSanitizer must find nothing left of them.
  run fifty_worlds "$build/tests/game_tests" \
    --gtest_filter=WorldOnDevice.FiftyGamesInARowGiveBackEverything || status=1

  # The real game through its own main loop, screens and shutdown, played by a script; 40
  # virtual ms a pass (about 4,600 frames) keeps the instrumented run to a few minutes.
  run headless_playthrough "$build/vornex_headless" --run-dir "$build/run" --shots "$logs" \
    --frame-ms 40 "$scripts/playthrough.vxs" || status=1
fi

exit $status
