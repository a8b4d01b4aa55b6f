#!/usr/bin/env bash
# The screens in a real X server: the loading bar gives way to the title menu; the
# mouse moves the menu cursor onto Play and a click leads to the story screen; a click
# there starts a game. Each screen is saved as a screenshot and compared with the
# picture the game shows for it. Run inside an X server (xvfb-run).
# usage: screens_test.sh VORNEX RUN_DIR SHOT_DIR
set -u
exe=$1 rundir=$2 shots=$3
mkdir -p "$shots"
pid=""

fail() {
  echo "FAIL: $*"
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  exit 1
}

shot() { import -window root -crop 400x400+0+0 +repage "$shots/$1.png"; }

# How far a screenshot is from a picture (0 = the same, 1 = opposite), as ImageMagick's
# normalised RMSE. A full-screen picture slightly overfills the window: the window shows
# its central 390 x 390 pixels.
distance() {
  local picture=$1 screenshot=$2
  convert "$picture" -crop 390x390+5+5 +repage -resize '400x400!' /tmp/vornex_ref_$$.png
  compare -metric RMSE "$screenshot" /tmp/vornex_ref_$$.png null: 2>&1 | sed -e 's/.*(\(.*\))/\1/'
  rm -f /tmp/vornex_ref_$$.png
}

less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

click() {
  xdotool mousedown 1
  sleep 0.15
  xdotool mouseup 1
}

(cd "$rundir" && exec "$exe") &
pid=$!
wid=$(timeout 20 xdotool search --sync --name '^VORNEX $' | head -n 1)
[ -n "$wid" ] || fail "no window"
xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
sleep 2

echo "-- the title menu shows"
shot title
d=$(distance "$rundir/Art/Title.png" "$shots/title.png")
echo "   title picture distance $d"
# The buttons and the cursor are drawn over the title picture, hence the wider margin.
less_than "$d" 0.16 || fail "the title menu is not showing (distance $d)"
d=$(distance "$rundir/Art/Story.png" "$shots/title.png")
less_than 0.2 "$d" || fail "the title menu looks like the story screen (distance $d)"

echo "-- the mouse moves the cursor onto Play; a click opens the story"
# The cursor starts at (100, 100); 30 px right and 40 px down bring it to about (160, 140).
for _ in 1 2 3 4 5; do
  xdotool mousemove_relative -- 6 8
  sleep 0.1
done
sleep 0.3
shot menu_on_play
click
sleep 0.8
shot story
d=$(distance "$rundir/Art/Story.png" "$shots/story.png")
echo "   story picture distance $d"
less_than "$d" 0.1 || fail "the story screen is not showing (distance $d)"

echo "-- after half a second a click starts a game"
click
sleep 2
shot play
d=$(distance "$rundir/Art/Story.png" "$shots/play.png")
echo "   play frame's distance from the story picture $d"
less_than 0.2 "$d" || fail "the game did not start (the story still shows, distance $d)"

xdotool key Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not end the program"
wait "$pid"
status=$?
pid=""
[ "$status" = 0 ] || fail "exit status $status"
echo "screens_test: all passed"
