# Helpers shared by the end-to-end scripts, which source this file. They drive the program
# in an X server with xdotool and judge its window with ImageMagick; the program's window
# is the only one on the screen, at its top-left corner.

# The program under test while it runs (empty otherwise).
pid=""

# Stops the program if it still runs. Runs whenever a script ends, however it ends; a
# script with more to clean up sets its own EXIT trap and calls this from it. SIGKILL:
# SIGTERM only asks the program to quit, which a program stuck in a fault never does.
stop_program() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  pid=""
}
trap stop_program EXIT

# Ends the script with a failure message (the EXIT trap does the cleaning up).
fail() {
  echo "FAIL: $*"
  exit 1
}

# ---- the program ------------------------------------------------------------------------

# Starts $exe in $rundir with arguments $@ (its process in $pid), waits for its window (in
# $wid) and focuses it.
start_game() {
  (cd "$rundir" && exec "$exe" "$@") &
  pid=$!
  wid=$(timeout 20 xdotool search --sync --name '^VORNEX $' | head -n 1)
  [ -n "$wid" ] || fail "no window titled 'VORNEX ' appeared"
  xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
}

# Waits up to ten seconds for process $1 to end. Once it has, leaves its exit status in
# $status and returns 0; returns 1 while it still runs.
wait_for_end() {
  local process=$1
  for _ in $(seq 100); do
    if ! kill -0 "$process" 2>/dev/null; then
      wait "$process"
      status=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits up to ten seconds for the program to end and leaves its exit status in $status;
# fails with the message given (or a plain one) when it does not end.
wait_for_exit() {
  wait_for_end "$pid" || fail "${1:-the program did not end}"
  pid=""
}

# ---- pictures ---------------------------------------------------------------------------

# Saves the program's window (400 x 400 at the screen's top-left corner) as picture $1.
window_shot() { import -window root -crop 400x400+0+0 +repage "$1"; }

# Picture $1, a full-screen image of the game, as the window shows it, saved as $2: the
# image slightly overfills the window, which shows its central 390 x 390 pixels.
as_window_shows() { convert "$1" -crop 390x390+5+5 +repage -resize '400x400!' "$2"; }

# ImageMagick's normalised RMSE between two pictures of one size (0 = the same, 1 = opposite).
distance() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed -e 's/.*(\(.*\))/\1/'; }

# How far screenshot $2 is from the full-screen image $1 as the window would show it.
distance_from_picture() {
  local picture=$1 screenshot=$2 reference d
  reference=$(mktemp --suffix=.png)
  as_window_shows "$picture" "$reference"
  d=$(distance "$screenshot" "$reference")
  rm -f "$reference"
  echo "$d"
}

# How many pixels of region $2 (WxH+X+Y) of picture $1 pass the -fx test $3 on r, g and b.
count_pixels() {
  local picture=$1 region=$2 test=$3
  convert "$picture" -crop "$region" +repage -fx "$test ? 1 : 0" -format '%[fx:round(mean * w * h)]' info:
}

# Solid white, for count_pixels: a text pixel the glyph covers fully, whatever lies behind.
solid_white='r > 0.9 && g > 0.9 && b > 0.9'

# True when number $1 is less than number $2 (decimals allowed).
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# Waits up to five seconds for the window to be $1 (WxH+X+Y) on the screen.
await_geometry() {
  local wanted=$1 now=""
  for _ in $(seq 50); do
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    now="${WIDTH}x${HEIGHT}+${X}+${Y}"
    [ "$now" = "$wanted" ] && return 0
    sleep 0.1
  done
  fail "the window is $now, not $wanted"
}

# The game full screen on the 1024 x 768 screen, in screenshot $1 (the whole screen): the
# picture the largest centred square, 768 x 768, its edges reaching black bars 128 wide.
# Its square, scaled to 400 x 400, is left in $2 for a comparison with the window's.
check_full_screen_picture() {
  local shot=$1 square=$2 lit='r > 0.04 || g > 0.04 || b > 0.04' n
  for bar in 128x768+0+0 128x768+896+0; do
    n=$(count_pixels "$shot" "$bar" "$lit")
    [ "$n" = 0 ] || fail "$n pixels of the bar $bar are not black ($shot)"
  done
  for edge in 1x768+128+0 1x768+895+0; do
    n=$(count_pixels "$shot" "$edge" "$lit")
    [ "$n" -gt 600 ] || fail "the picture does not reach the bar at $edge: $n lit pixels ($shot)"
  done
  convert "$shot" -crop 768x768+128+0 +repage -resize '400x400!' "$square"
}

# ---- input ------------------------------------------------------------------------------

# A left click, held long enough for the game to see the button down.
click() {
  xdotool mousedown 1
  sleep 0.15
  xdotool mouseup 1
}

# Key $1 held down for $2 seconds.
hold_key() {
  local key=$1 seconds=$2
  xdotool keydown "$key"
  sleep "$seconds"
  xdotool keyup "$key"
}

# Lets go of the game's keys and the mouse button, whatever was held.
release_all() {
  xdotool keyup w keyup s keyup a keyup d 2>/dev/null
  xdotool mouseup 1 2>/dev/null
}

# Moves the mouse by ($1, $2) pixels per step, $3 times, a little at a time so that the
# game sees a steady movement.
move_mouse() {
  local dx=$1 dy=$2 steps=$3
  for _ in $(seq "$steps"); do
    xdotool mousemove_relative -- "$dx" "$dy"
    sleep 0.04
  done
}

# Onto the title menu's Play button: the game's cursor starts at (100, 100); 30 px right
# and 40 px down bring it to about (160, 140).
cursor_onto_play() { move_mouse 6 8 5; }
