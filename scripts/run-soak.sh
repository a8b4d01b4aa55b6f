#!/usr/bin/env bash
# Whole games in a row in one process (the headless driver playing
# tools/headless/scripts/soak.vxs) under LeakSanitizer, with the memory use after each.
#
#   scripts/run-soak.sh GAMES VORNEX_HEADLESS RUN_DIR [log dir, default: a temporary one]
#
# The script plays fifty games; GAMES (at least 3) sets how many. The test command plays a
# few, `make soak` all fifty. Passes when the script's expectations all hold, the program
# quits with status 0, LeakSanitizer reports nothing, and the peak memory after the last
# game is within 5 % of the peak after the second (the first game warms caches: the
# graphics driver's shaders, the font cache). Prints the memory figures of every game.
#
# LeakSanitizer's run-time library (from GCC) is preloaded into the ordinary build, so
# the game runs at its usual speed; tests/sanitizers holds the suppressions for
# third-party libraries and the preloaded helper that keeps libraries loaded.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
games=$1 driver=$2 rundir=$3
logs=${4:-$(mktemp -d)}
mkdir -p "$logs"
sanitizers=$root/tests/sanitizers

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

case "$games" in
  '' | *[!0-9]*) fail "usage: $0 GAMES VORNEX_HEADLESS RUN_DIR [LOG_DIR] (GAMES a number, at least 3)" ;;
esac
[ "$games" -ge 3 ] || fail "at least 3 games: the memory after the last is compared with that after the second"

# The script with its game count set: its one top-level "repeat 50" line.
script=$logs/soak.vxs
sed -e "s/^repeat 50\$/repeat $games/" "$root/tools/headless/scripts/soak.vxs" >"$script"
grep -qx "repeat $games" "$script" || fail "no 'repeat 50' line in soak.vxs to set the game count in"

lsan=$(g++ -print-file-name=liblsan.so)
[ -e "$lsan" ] || fail "LeakSanitizer's library (liblsan.so, package liblsan0) is not installed"
g++ -shared -fPIC -O1 -o "$logs/keep_libraries_loaded.so" "$sanitizers/keep_libraries_loaded.cpp"

# 500 virtual ms a pass: three minutes of game in about 360 frames, so that fifty games
# fit in minutes. Input and expectations are on the virtual clock and hold at any step;
# the game's play allocates nothing per frame, so what a soak can find is in what each
# game and each screen builds and gives back, and the coarse step loses none of that.
status=0
LD_PRELOAD=$lsan:$logs/keep_libraries_loaded.so \
  LSAN_OPTIONS=suppressions=$sanitizers/lsan.supp:print_suppressions=0:exitcode=23 \
  "$driver" --run-dir "$rundir" --shots "$logs" --frame-ms 500 "$script" \
  >"$logs/soak.out" 2>"$logs/soak.err" || status=$?

cat "$logs/soak.out"
grep -q "ERROR: LeakSanitizer" "$logs/soak.err" && {
  grep -E "Direct leak|Indirect leak|^    #[0-9]|SUMMARY" "$logs/soak.err" | head -n 60 >&2
  fail "LeakSanitizer found leaks (log: $logs/soak.err)"
}
[ "$status" -eq 0 ] || {
  tail -n 20 "$logs/soak.err" >&2
  fail "the driver ended with status $status"
}

# "memory at T ms: peak P kB, now N kB", one line a game.
mapfile -t peaks < <(sed -n 's/^memory at [0-9]* ms: peak \([0-9]*\) kB.*/\1/p' "$logs/soak.out")
[ "${#peaks[@]}" -eq "$games" ] || fail "expected the memory use after $games games, found ${#peaks[@]}"
second=${peaks[1]} last=${peaks[$((games - 1))]}
growth=$(awk -v a="$second" -v b="$last" 'BEGIN { printf "%.2f", (b - a) * 100 / a }')
echo "peak memory after game 2: $second kB; after game $games: $last kB; growth $growth % (at most 5 %)"
awk -v a="$second" -v b="$last" 'BEGIN { exit !(b <= a * 1.05) }' ||
  fail "peak memory grew by $growth % from game 2 to game $games"
echo "soak: $games games, no leak, memory steady"
