#!/usr/bin/env bash
# The screens in a real X server: the loading bar gives way to the title menu; the
# mouse moves the menu cursor onto Play and a click leads to the story screen; a click
# there starts a game. Each screen is saved as a screenshot and compared with the
# picture the game shows for it. Run inside an X server (xvfb-run).
# usage: screens_test.sh VORNEX RUN_DIR SHOT_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
exe=$1 rundir=$2 shots=$3
mkdir -p "$shots"

shot() { window_shot "$shots/$1.png"; }

start_game
sleep 2

echo "-- the title menu shows"
shot title
d=$(distance_from_picture "$rundir/Art/Title.png" "$shots/title.png")
echo "   title picture distance $d"
# The buttons and the cursor are drawn over the title picture, hence the wider margin.
less_than "$d" 0.16 || fail "the title menu is not showing (distance $d)"
d=$(distance_from_picture "$rundir/Art/Story.png" "$shots/title.png")
less_than 0.2 "$d" || fail "the title menu looks like the story screen (distance $d)"

echo "-- the mouse moves the cursor onto Play; a click opens the story"
cursor_onto_play
sleep 0.3
shot menu_on_play
click
sleep 0.8
shot story
d=$(distance_from_picture "$rundir/Art/Story.png" "$shots/story.png")
echo "   story picture distance $d"
less_than "$d" 0.1 || fail "the story screen is not showing (distance $d)"

echo "-- after half a second a click starts a game"
click
sleep 2
shot play
d=$(distance_from_picture "$rundir/Art/Story.png" "$shots/play.png")
echo "   play frame's distance from the story picture $d"
less_than 0.2 "$d" || fail "the game did not start (the story still shows, distance $d)"

xdotool key Escape
wait_for_exit "Escape did not end the program"
[ "$status" = 0 ] || fail "exit status $status"
echo "screens_test: all passed"
