#!/usr/bin/env bash
# A whole game in a real X server, played with real input events: the title menu leads
# through the story into a three-minute game in which the player turns, walks and fires
# until enemies die (the kill count on the heads-up line rises); the game-over screen
# then leads back to the title menu, whose Quit button ends the program with status 0.
# Every screen is saved as a screenshot and checked. Run inside an X server (xvfb-run).
# usage: playthrough_test.sh VORNEX RUN_DIR SHOT_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
exe=$1 rundir=$2 shots=$3
mkdir -p "$shots"
rm -f "$shots"/playthrough_*.png

# The heads-up line: the whole of it, and the three kill digits of "Kills:000".
heads_up_region=280x20+0+10
kill_digits_region=33x16+46+12

# Seconds into the game by which the playing stops, leaving the game's 180 s to run out
# with every key and button released.
play_until=150

# ---- pictures -------------------------------------------------------------------------

shot_path() { echo "$shots/playthrough_$1.png"; }

shot() { window_shot "$(shot_path "$1")"; }

check_not_black() {
  local name=$1 mean
  mean=$(convert "$(shot_path "$name")" -colorspace gray -format '%[fx:mean]' info:)
  less_than 0.05 "$mean" || fail "the $name screen is black (mean brightness $mean)"
}

# The screenshot is at most `limit` from the picture.
check_showing() {
  local name=$1 picture=$2 limit=$3 d
  d=$(distance_from_picture "$rundir/Art/$picture" "$(shot_path "$name")")
  echo "   $name: distance from $picture $d"
  less_than "$d" "$limit" || fail "$picture is not showing on the $name screen (distance $d)"
}

# The screenshot is further than `limit` from the picture.
check_not_showing() {
  local name=$1 picture=$2 limit=$3 d
  d=$(distance_from_picture "$rundir/Art/$picture" "$(shot_path "$name")")
  less_than "$limit" "$d" || fail "the $name screen still looks like $picture (distance $d)"
}

check_heads_up_drawn() {
  local name=$1 n
  n=$(count_pixels "$(shot_path "$name")" "$heads_up_region" "$solid_white")
  [ "$n" -ge 300 ] || fail "the heads-up line is not drawn on the $name screen ($n white pixels)"
}

# Pixels that are solid white in the first play frame's kill digits ("000") and plainly
# not white now. Anything drawn behind the text only adds light, so only a changed
# digit takes a glyph pixel away: any such pixel means the kill count has changed.
kill_digit_pixels_lost() {
  local name=$1
  convert "$(shot_path play_start)" "$(shot_path "$name")" -crop "$kill_digits_region" +repage \
    -fx "(u.r > 0.9 && u.g > 0.9 && u.b > 0.9) && (v.r < 0.6 || v.g < 0.6 || v.b < 0.6) ? 1 : 0" \
    -format '%[fx:round(mean * w * h)]' info:
}

# ---- input ----------------------------------------------------------------------------

# However the script ends, no key or button stays held and the program is stopped.
clean_up() {
  release_all
  stop_program
}
trap clean_up EXIT

# ---- playing --------------------------------------------------------------------------

seconds_since() { awk -v t0="$1" -v t1="$(date +%s.%N)" 'BEGIN { printf "%d", t1 - t0 }'; }

# Turning with the mouse: a look to the right and back (about 15 pixels a degree), and
# the view pitched slightly down (about 30 pixels a degree) so that bolts fly low.
look_around() {
  move_mouse 20 0 15
  move_mouse -20 0 15
  move_mouse 0 6 8
}

# Walking ahead (10 units a second) and a step back. The game begins facing the
# enemies that stand 10 to 12 units ahead, so a first walk brings them closer.
walk() {
  local ahead=$1 back=$2
  hold_key w "$ahead"
  hold_key s "$back"
}

# Fire held while the view sweeps round: a turn held one way (about a radian a second,
# a full circle in six seconds), a look to the side and back with the mouse, a turn held
# the other way. Enemies head for the player and stay within 25 units; near the player
# each sweep passes them through the line of fire for a shot or two, and the health they
# lose stays lost from one sweep to the next.
sweep_firing() {
  xdotool mousedown 1
  hold_key d 6
  move_mouse 20 0 20
  move_mouse -20 0 20
  hold_key a 6
  xdotool mouseup 1
}

# Lets the bursts die down (a particle lives one second), then checks the heads-up line.
# Leaves the number of kill-digit pixels lost in $lost.
look_at_heads_up() {
  local name=$1
  sleep 2
  shot "$name"
  check_not_black "$name"
  check_heads_up_drawn "$name"
  lost=$(kill_digit_pixels_lost "$name")
}

play_game() {
  local game_start=$1 round=0 kills_seen=""
  look_around
  walk 0.8 0.2
  while [ "$(seconds_since "$game_start")" -lt "$play_until" ]; do
    round=$((round + 1))
    sweep_firing
    [ $((round % 3)) = 0 ] && walk 0.3 0.1
    look_at_heads_up "$(printf 'play_%02d' "$round")"
    echo "   round $round at $(seconds_since "$game_start") s: kill digits changed by $lost pixels"
    [ "$lost" -gt 0 ] && [ -z "$kills_seen" ] && kills_seen=$round
  done
  release_all
  [ -n "$kills_seen" ] || fail "no enemy was killed: the kill count stayed at 000"
  echo "   the kill count first rose by round $kills_seen"
}

# The game ends 180 s after it began; waits up to 40 s more for the game-over screen.
wait_for_game_over() {
  for _ in $(seq 40); do
    shot game_over
    less_than "$(distance_from_picture "$rundir/Art/GameOver.png" "$(shot_path game_over)")" 0.1 && return
    sleep 1
  done
  fail "the game-over screen did not appear"
}

echo "-- the title menu shows"
start_game
sleep 2
shot title
check_not_black title
check_showing title Title.png 0.16

echo "-- the cursor onto Play and a click: the story"
cursor_onto_play
sleep 0.3
click
sleep 0.8
shot story
check_not_black story
check_showing story Story.png 0.1

echo "-- after half a second a click starts a game"
click
game_start=$(date +%s.%N)
sleep 1
shot play_start
check_not_black play_start
check_not_showing play_start Story.png 0.2
check_heads_up_drawn play_start
glyph=$(count_pixels "$(shot_path play_start)" "$kill_digits_region" "$solid_white")
[ "$glyph" -ge 60 ] || fail "the kill digits are not drawn in the first play frame ($glyph white pixels)"

echo "-- the player turns, walks and fires until enemies die"
play_game "$game_start"

echo "-- after 180 s the game-over screen"
wait_for_game_over
echo "   game over $(seconds_since "$game_start") s after the game began"
check_not_black game_over
check_showing game_over GameOver.png 0.1

echo "-- after half a second a click leads back to the title menu"
sleep 0.6
click
sleep 1
shot title_again
check_not_black title_again
check_showing title_again Title.png 0.16
check_not_showing title_again GameOver.png 0.2

echo "-- the cursor onto Quit and a click: the program ends with status 0"
# From (100, 100), 200 px down bring the cursor to about (100, 300).
move_mouse 0 20 10
sleep 0.3
shot menu_on_quit
click
wait_for_exit
[ "$status" = 0 ] || fail "exit status $status"

echo "playthrough_test: all passed"
