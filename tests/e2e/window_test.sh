#!/usr/bin/env bash
# The real program in a real X server: the window's title and client size, Escape
# quitting on release only, closing the window, and the window destroyed by another
# client on every screen and during loading. Run inside an X server (xvfb-run).
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

# Another client destroys the window (as xdotool windowclose does): the program ends its
# ordinary way, with status 0, and no X error on standard error.
destroy_window_expecting_clean_end() {
  local where=$1 errors=$2
  "$closer" --destroy "$wid" || fail "could not destroy the window $where"
  wait_for_exit "the program did not end after its window was destroyed $where"
  [ "$status" = 0 ] || fail "exit status after the window was destroyed $where was $status: $(cat "$errors")"
  ! grep -q 'X Error' "$errors" || fail "an X error after the window was destroyed $where: $(cat "$errors")"
}
errors=$(mktemp)

echo "-- a window destroyed from outside during loading quits with status 0"
# Loading takes about half a second after the window appears; the window is destroyed
# as soon as it is seen.
(cd "$rundir" && exec "$exe" 2>"$errors") &
pid=$!
wid=""
for _ in $(seq 1000); do
  wid=$(xdotool search --name '^VORNEX $' 2>/dev/null | head -n 1)
  [ -n "$wid" ] && break
  sleep 0.01
done
[ -n "$wid" ] || fail "no window titled 'VORNEX ' appeared"
destroy_window_expecting_clean_end "during loading" "$errors"

echo "-- ... on the title menu, on the story screen and in play"
for where in "on the title menu" "on the story screen" "in play"; do
  start_game 2>"$errors"
  sleep 1.5
  if [ "$where" != "on the title menu" ]; then
    cursor_onto_play
    sleep 0.3
    click
    sleep 0.8
  fi
  if [ "$where" = "in play" ]; then
    click
    sleep 1
  fi
  destroy_window_expecting_clean_end "$where" "$errors"
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
