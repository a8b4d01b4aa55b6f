#!/usr/bin/env bash
# The real program in a real X server: the window's title and client size, full screen
# and back (the menu's cursor staying where it was), Escape
# quitting on release only, closing the window, and the window destroyed by another
# client or SIGTERM / SIGINT sent to the program, on every screen and during loading.
# Run inside an X server (xvfb-run).
# usage: window_test.sh VORNEX RUN_DIR CLOSE_WINDOW SHOT_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
exe=$1 rundir=$2 closer=$3 shots=$4
mkdir -p "$shots"

echo "-- window: title and client size"
start_game
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 400 ] && [ "$HEIGHT" = 400 ] || fail "client area is ${WIDTH}x${HEIGHT}, not 400x400"
window_shot "$shots/window.png" 2>/dev/null || true

echo "-- Alt+Enter: full screen, a centred square picture between black bars; F11: the window again"
sleep 2  # the title menu
window_shot "$shots/window_title.png"
xdotool key alt+Return
await_geometry 1024x768+0+0
sleep 0.5
import -window root "$shots/full_screen.png"
check_full_screen_picture "$shots/full_screen.png" "$shots/full_screen_square.png"
d=$(distance "$shots/window_title.png" "$shots/full_screen_square.png")
echo "   full screen against the window: distance $d"
less_than "$d" 0.06 || fail "the full-screen picture is not the window's (distance $d)"
xdotool key F11
await_geometry 400x400+0+0
sleep 0.5
window_shot "$shots/window_again.png"
d=$(distance "$shots/window_title.png" "$shots/window_again.png")
less_than "$d" 0.06 || fail "the window after full screen is not as before (distance $d)"

echo "-- Escape held does nothing; released, it quits with status 0"
xdotool keydown Escape
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the program ended while Escape was still held"
xdotool keyup Escape
wait_for_exit
[ "$status" = 0 ] || fail "exit status after Escape was $status"

echo "-- closing the window quits with status 0"
start_game
sleep 0.3
"$closer" "$wid" || fail "could not ask the window to close"
wait_for_exit
[ "$status" = 0 ] || fail "exit status after closing was $status"

# Each case starts the program, brings it to a point and ends it from outside there: its
# window destroyed by another client (as xdotool windowclose does), or signals sent to it
# (SIGTERM as `kill` or a session ending sends it, SIGINT as Ctrl+C in its terminal does;
# or SIGTERM every 20 ms, through the handling of the first and the shutdown). Every
# time the program ends its ordinary way, with status 0 and no X error on standard error.
# (bash ignores SIGINT in the commands a script starts in the background, but its `exec`
# puts it back to the default, as the program has it when started from a terminal.)
errors=$(mktemp)

# Whether the program catches SIGTERM yet (bit 15 of its caught-signal mask): it does from
# the moment its window is shown; a signal before that ends it the default way.
catches_sigterm() {
  local caught
  caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
  [ -n "$caught" ] && (((16#$caught >> 14) & 1))
}

# Whether the program's window is there yet (its id in $wid).
window_seen() {
  wid=$(xdotool search --name '^VORNEX $' 2>/dev/null | head -n 1)
  [ -n "$wid" ]
}

# Starts the program and brings it to $1, its process in $pid and its window in $wid.
# "during loading" is as soon as its window is seen and it catches SIGTERM (loading takes
# about half a second after that).
reach() {
  local where=$1
  if [ "$where" = "during loading" ]; then
    (cd "$rundir" && exec "$exe") &
    pid=$!
    for _ in $(seq 1000); do
      window_seen && catches_sigterm && return
      sleep 0.01
    done
    fail "no window titled 'VORNEX ' appeared, or the program never caught SIGTERM"
  fi
  start_game
  sleep 1.5
  [ "$where" = "on the title menu" ] && return
  cursor_onto_play
  sleep 0.3
  click
  sleep 0.8
  [ "$where" = "on the story screen" ] && return
  click
  sleep 1
}

for case in "window destroyed:during loading" "window destroyed:on the title menu" \
  "window destroyed:on the story screen" "window destroyed:in play" "SIGTERM:during loading" \
  "SIGTERM:on the title menu" "SIGTERM:in play" "SIGINT:in play" "SIGTERM repeated:in play"; do
  how=${case%%:*} where=${case#*:}
  echo "-- $how $where: the program quits with status 0"
  reach "$where" 2>"$errors"
  case $how in
    "window destroyed") "$closer" --destroy "$wid" || fail "could not destroy the window $where" ;;
    "SIGTERM repeated") for _ in $(seq 50); do kill -TERM "$pid" 2>/dev/null; sleep 0.02; done ;;
    *) kill -"${how#SIG}" "$pid" ;;
  esac
  wait_for_exit "the program did not end after $how $where"
  [ "$status" = 0 ] || fail "exit status after $how $where was $status: $(cat "$errors")"
  ! grep -q 'X Error' "$errors" || fail "an X error after $how $where: $(cat "$errors")"
done
rm -f "$errors"

echo "-- started in a folder without the data, start-up stops, says where it looked and how to start, non-zero"
bare=$(mktemp -d)
errors=$( (cd "$bare" && timeout 20 "$exe") 2>&1 >/dev/null)
status=$?
rm -rf "$bare"
[ "$status" != 0 ] && [ "$status" != 124 ] || fail "exit status in a folder without the data was $status"
echo "$errors" | grep 'start-up failed' | grep -F '"ground.bmp"' | grep -qF "$bare" ||
  fail "the error output does not name ground.bmp and the folder $bare: $errors"
echo "$errors" | grep -F 'make play' | grep -qF '`vornex`' ||
  fail "the error output does not say how to start the game: $errors"

echo "-- with no display the program says so and exits non-zero, never running unseen"
errors=$( (cd "$rundir" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$exe") 2>&1 >/dev/null)
status=$?
[ "$status" != 0 ] && [ "$status" != 124 ] || fail "exit status with no display was $status"
echo "$errors" | grep -q 'no display' || fail "the error output does not say there is no display: $errors"

echo "window_test: all passed"
