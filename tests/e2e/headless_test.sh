#!/usr/bin/env bash
# The real game off-screen on a virtual clock, played by scripts (vornex_headless):
# a short game run twice, once on each OpenGL profile of the platform (3.3 core, and ES
# 3.0 as in a browser), is the same game both times (the same kills, every frame the same
# to the bit, the same screenshots), one whole cycle (title menu, story, a 180-second game
# with kills, game over, title menu, Quit) ends with status 0, and a game controller alone
# (SDL's virtual one) gets from the title menu into play, turns, fires, stops when
# unplugged and quits with Back. The runs share nothing and go side by side. The short game runs at the driver's usual 16 ms
# a pass; the whole cycle at 100 ms a pass (some 1,900 frames), since the end-to-end
# playthrough already plays the same cycle in a real window at the display's pace.
# usage: headless_test.sh VORNEX_HEADLESS RUN_DIR SCRIPT_DIR SHOT_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
driver=$1 rundir=$2 scripts=$3 shots=$4
rm -rf "$shots"
mkdir -p "$shots/first" "$shots/second" "$shots/cycle" "$shots/gamepad"

# Runs a script with its shots and summary in a directory; the driver's status is
# returned (0 when every expectation in the script held and the program ended well).
play() {
  local script=$1 dir=$2
  shift 2
  "$driver" --run-dir "$rundir" --shots "$dir" "$@" "$scripts/$script" >"$dir/summary.txt"
  local status=$?
  sed -e 's/^/   /' "$dir/summary.txt"
  return $status
}

summary_line() { grep "^$1" "$2/summary.txt"; }

play short_game.vxs "$shots/first" --digest >"$shots/first.log" &
first=$!
VORNEX_GL=es3 play short_game.vxs "$shots/second" --digest >"$shots/second.log" &
second=$!
play playthrough.vxs "$shots/cycle" --frame-ms 100 >"$shots/cycle.log" &
cycle=$!
play gamepad.vxs "$shots/gamepad" >"$shots/gamepad.log" &
gamepad=$!
wait "$first"
first_status=$?
wait "$second"
second_status=$?
wait "$cycle"
cycle_status=$?
wait "$gamepad"
gamepad_status=$?

echo "-- a short game, twice"
cat "$shots/first.log" "$shots/second.log"
[ "$first_status" = 0 ] || fail "the first run of the short game failed"
[ "$second_status" = 0 ] || fail "the second run of the short game (OpenGL ES 3.0) failed"
for what in "passes" "kills" "frame digest" "final state"; do
  first=$(summary_line "$what" "$shots/first")
  second=$(summary_line "$what" "$shots/second")
  [ -n "$first" ] || fail "no '$what' in the summary"
  [ "$first" = "$second" ] || fail "the runs on OpenGL 3.3 core and ES 3.0 differ: '$first' then '$second'"
done
shots_taken=0
for shot in "$shots/first"/*.png; do
  [ -e "$shot" ] || continue
  name=$(basename "$shot")
  cmp -s "$shot" "$shots/second/$name" || fail "screenshot $name differs between the runs"
  shots_taken=$((shots_taken + 1))
done
[ "$shots_taken" -ge 3 ] || fail "only $shots_taken screenshots were taken"
cmp -s "$shots/first/short_title.png" "$shots/first/short_play_end.png" && fail "the title menu and the game look the same"
echo "   $shots_taken screenshots identical"

echo "-- the whole cycle"
cat "$shots/cycle.log"
[ "$cycle_status" = 0 ] || fail "the whole cycle failed"
summary_line "final state 4 (quit)" "$shots/cycle" >/dev/null || fail "the program did not quit through the menu"
summary_line "program status 0" "$shots/cycle" >/dev/null || fail "the program's status was not 0"

echo "-- a game controller alone"
cat "$shots/gamepad.log"
[ "$gamepad_status" = 0 ] || fail "the game played with a controller failed"
summary_line "program status 0" "$shots/gamepad" >/dev/null || fail "the program's status was not 0"

echo "headless_test: all passed"
