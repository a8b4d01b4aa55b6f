#!/usr/bin/env bash
# The Windows build, as a Windows player gets it, under Wine: the zip that `make windows`
# packs is unpacked into a fresh Wine prefix's reach, and vornex.exe plays one whole
# cycle on Wine's Direct3D 9, D3DX 9, DirectSound and Win32 with real input: loading
# bar, title menu, Play, story, a three-minute game (turning, walking, firing), game over,
# title menu, Quit, exit status 0. Sound is on: the default ALSA device is a file plugin
# over the null device, piped into a count of the bytes that are not silence.
#
# Beside it, the Linux build shows the same screens on our platform, and each pair is
# compared. Wine's window is 400 x 400 outside, so its client area (the back buffer) is
# smaller than ours: both are scaled to 200 x 200 and blurred before their RMSE is taken
# (the heads-up text, drawn in pixels, is compared unscaled by where its glyphs lie).
# Wine 8.0's D3DX cannot compile effect files from text, so its games run without
# effects: the play frames are compared with our platform's run with the effect files
# removed. Run inside an X server (xvfb-run).
# usage: wine_test.sh BUILD_WINDOWS_SCRIPT WINDOWS_DIR VORNEX VORNEX_HEADLESS RUN_DIR WORK_DIR SHOT_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build_windows=$1 windows_dir=$2 exe=$3 headless=$4 rundir=$5 work=$6 shots=$7

# The limits of the comparisons (normalised RMSE after scaling and blurring). Fonts,
# filtering and the squeeze of a 392 x 373 back buffer set a floor of about 0.02.
still_limit=0.06
play_limit=0.10

wine_pid=""
clean_up() {
  release_all
  stop_program
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null
}
trap clean_up EXIT

# Each step is announced with the seconds since the test began, so that a slow machine's
# log shows where its time went.
started=$(date +%s)
step() { echo "-- $* ($(($(date +%s) - started)) s)"; }

rm -rf "$work" "$shots"
mkdir -p "$work/home" "$shots"

step "the Windows run folder and its zip, unpacked on its own"
bash "$build_windows" "$windows_dir" "$rundir" >"$work/build-windows.log" 2>&1 ||
  fail "make windows failed: $(tail -n 3 "$work/build-windows.log")"
mkdir -p "$work/game"
(cd "$work/game" && cmake -E tar xf "$windows_dir/vornex-windows.zip") || fail "cannot unpack the zip"
[ -f "$work/game/VORNEX/vornex.exe" ] || fail "the zip holds no VORNEX/vornex.exe"

step "a fresh Wine prefix"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all HOME="$work/home"
t0=$(date +%s)
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || fail "wineboot made no prefix: $(tail -n 3 "$work/wineboot.log")"
echo "   made in $(($(date +%s) - t0)) s"
cat >"$HOME/.asoundrc" <<EOF
pcm.!default {
  type file
  slave.pcm "null"
  file "| tr -d '\\\\000' | wc -c > $work/sound-bytes"
  format "raw"
}
EOF

# ---- pictures -------------------------------------------------------------------------

# The client area of window $1 (its X window is the client area alone) as a region of
# the screen, WxH+X+Y.
client_region() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}

# Screen region $1 (WxH+X+Y) saved as $2.
region_shot() { import -window root -crop "$1" +repage "$2"; }

# The client area of window $1 saved as $2.
client_shot() { region_shot "$(client_region "$1")" "$2"; }

# Both at one size, blurred: what the eye would call the same screen.
scaled_distance() {
  local a=$1 b=$2
  convert "$a" -resize '200x200!' -blur 0x1.5 "$work/a.png"
  convert "$b" -resize '200x200!' -blur 0x1.5 "$work/b.png"
  distance "$work/a.png" "$work/b.png"
}

compare_screen() {
  local name=$1 limit=$2 d
  d=$(scaled_distance "$shots/linux_$name.png" "$shots/wine_$name.png")
  echo "   $name: Wine against Linux, RMSE $d (limit $limit)"
  less_than "$d" "$limit" || fail "the $name screen differs from our platform's (RMSE $d)"
}

# The bounding box (WxH+X+Y) of the pixels of picture $1 passing test $2, after cropping
# to region $3 (whole picture when empty).
box_of() {
  local picture=$1 test=$2 region=${3:-}
  if [ -n "$region" ]; then
    convert "$picture" -crop "$region" +repage -fx "$test ? 1 : 0" -format '%@' info:
  else
    convert "$picture" -fx "$test ? 1 : 0" -format '%@' info:
  fi
}

# The loading bar's outline as fractions of the client area: "left top width height".
red='r > 0.5 && g < 0.3 && b < 0.3'
bar_fractions() {
  local picture=$1 w h box
  w=$(identify -format '%w' "$picture")
  h=$(identify -format '%h' "$picture")
  box=$(box_of "$picture" "$red")
  echo "$box" | awk -v w="$w" -v h="$h" -F '[x+]' '{ printf "%.3f %.3f %.3f %.3f", $3 / w, $4 / h, $1 / w, $2 / h }'
}

# Takes shots of screen region $1 (WxH+X+Y) as fast as it can until one is bright (the
# title menu) or 400 are taken, then keeps the last that shows the loading bar (dark,
# with red) as $2.
catch_loading_bar() {
  local region=$1 keep=$2 n=0 mean shot
  rm -f "$work"/loading_*.png
  while [ "$n" -lt 400 ]; do
    n=$((n + 1))
    shot=$work/loading_$(printf '%03d' "$n").png
    region_shot "$region" "$shot" 2>/dev/null || { sleep 0.05; continue; }
    mean=$(convert "$shot" -colorspace gray -format '%[fx:mean]' info:)
    if less_than 0.1 "$mean"; then
      for shot in $(ls -r "$work"/loading_*.png); do
        mean=$(convert "$shot" -colorspace gray -format '%[fx:mean]' info:)
        less_than "$mean" 0.05 || continue
        [ "$(count_pixels "$shot" "$(identify -format '%wx%h+0+0' "$shot")" "$red")" -gt 100 ] || continue
        cp "$shot" "$keep"
        break
      done
      return 0
    fi
  done
  return 1
}

# Takes shots of Wine's window as wine_$1.png until one is within RMSE $2 of our
# platform's linux_$3.png (by default the same screen's) or $4 seconds (30) pass; false
# if none is. Leaves the last shot's RMSE in $d. A loaded machine can take seconds to draw
# the next screen.
await_screen() {
  local name=$1 limit=$2 reference=${3:-$1} seconds=${4:-30} end
  end=$(($(date +%s) + seconds))
  while :; do
    client_shot "$wine_wid" "$shots/wine_$name.png"
    d=$(scaled_distance "$shots/linux_$reference.png" "$shots/wine_$name.png")
    less_than "$d" "$limit" && return 0
    [ "$(date +%s)" -lt "$end" ] || return 1
    kill -0 "$wine_pid" 2>/dev/null || fail "vornex.exe ended on the way to the $name screen"
    sleep 0.5
  done
}

# The heads-up text's glyphs: their bounding box in the client area's own pixels. Light,
# not solid white: Wine's font draws its glyphs a little dimmer than GDI does (no pixel
# of them brighter than about 244 of 255), and its descenders fainter.
light='r > 0.6 && g > 0.6 && b > 0.6'
heads_up_box() { box_of "$1" "$light" 280x22+0+8; }

# ---- input ----------------------------------------------------------------------------

# Answers $1 "Fx Compile Error" boxes with Return, as a player would, and leaves the number
# answered in $boxes. With no window manager the keyboard goes to the window under the
# pointer, and the pointer must stay where the game puts it (a move would turn the
# camera): so each box is moved until its warning icon lies under the pointer, and a click
# there makes it the active window (Wine does not always make a new box active, and an
# inactive box ignores its keys). Return is then sent until the box goes, at most six
# times: on a loaded machine a box can take seconds to act on a key, so each Return is
# given five seconds before the next.
answer_effect_boxes() {
  local expected=$1 box X Y SCREEN WINDOW
  boxes=0
  for _ in $(seq 1200); do
    [ "$boxes" -ge "$expected" ] && return 0
    box=$(visible_effect_boxes | head -n 1)
    if [ -z "$box" ]; then
      sleep 0.1
      continue
    fi
    [ "$boxes" = 0 ] && import -window "$box" "$shots/wine_effect_box.png" 2>/dev/null
    eval "$(xdotool getmouselocation --shell)"
    xdotool windowmove --sync "$box" $((X - 30)) $((Y - 25)) 2>/dev/null
    click
    for _ in 1 2 3 4 5 6; do
      hold_key Return 0.15
      effect_box_goes "$box" 5 && break
    done
    effect_box_up "$box" && return 1
    boxes=$((boxes + 1))
  done
  return 1
}

visible_effect_boxes() { xdotool search --onlyvisible --name '^Fx Compile Error$' 2>/dev/null; }
effect_box_up() { visible_effect_boxes | grep -qx "$1"; }

# True once box $1 has gone, false when it is still there after $2 seconds.
effect_box_goes() {
  local box=$1 seconds=$2
  for _ in $(seq $((seconds * 5))); do
    sleep 0.2
    effect_box_up "$box" || return 0
  done
  return 1
}

# ---- our platform's screens -----------------------------------------------------------

step "our platform: the game over screen, from the headless driver"
cat >"$work/game_over.vxs" <<EOF
at 1000 expect state 0
after 0 mouse 30 40
after 300 button down
after 150 button up
after 800 button down
after 150 button up
after 500 expect state 2
after 185000 expect state 8
after 0 shot linux_game_over.png
EOF
"$headless" --run-dir "$rundir" --shots "$shots" --frame-ms 250 "$work/game_over.vxs" >"$work/headless.log" 2>&1 ||
  fail "the headless game-over run failed: $(tail -n 3 "$work/headless.log")"

step "our platform: loading bar, title menu, story, and a play frame without effects"
cp -R "$rundir" "$work/linux_run"
rm -f "$work/linux_run"/*.fx
xdotool mousemove 512 384
(cd "$work/linux_run" && exec env SDL_AUDIODRIVER=dummy "$exe") >"$work/linux.out" 2>&1 &
pid=$!
# Our loading is over about half a second after the window opens, sooner than a search
# for the window returns: the shots start at once, where the window opens (the screen's
# top-left corner, 400 x 400).
catch_loading_bar 400x400+0+0 "$shots/linux_loading.png" || fail "the Linux title menu did not show"
wid=$(timeout 20 xdotool search --sync --name '^VORNEX $' | head -n 1)
[ -n "$wid" ] || fail "no Linux window appeared"
[ "$(client_region "$wid")" = 400x400+0+0 ] || fail "the Linux window is not 400 x 400 at the top-left corner"
sleep 1
client_shot "$wid" "$shots/linux_title.png"
xdotool windowfocus --sync "$wid"
cursor_onto_play
sleep 0.3
click
sleep 1
client_shot "$wid" "$shots/linux_story.png"
click
# Our platform writes each box to standard error as well; SDL cannot show the box itself
# here (the tests' X servers have only their built-in fonts, none of which SDL's dialog
# draws with: tests/e2e/CMakeLists.txt).
for _ in $(seq 50); do
  [ "$(grep -c '^Fx Compile Error: ' "$work/linux.out")" -ge 3 ] && break
  sleep 0.1
done
reported=$(grep -c '^Fx Compile Error: ' "$work/linux.out")
[ "$reported" = 3 ] || fail "our platform reported $reported effects that do not load, not 3"
sleep 1
client_shot "$wid" "$shots/linux_play.png"
xdotool key Escape
wait_for_exit "Escape did not end the Linux program"
[ "$status" = 0 ] || fail "the Linux program ended with status $status"

# ---- the Windows build under Wine -----------------------------------------------------

step "Wine: the loading bar, then the title menu"
xdotool mousemove 512 384
(cd "$work/game/VORNEX" && exec wine vornex.exe) >"$work/wine.out" 2>&1 &
wine_pid=$!
wine_wid=$(timeout 60 xdotool search --sync --name '^VORNEX $' | head -n 1)
[ -n "$wine_wid" ] || fail "no window titled 'VORNEX ' appeared under Wine"
# The game reads the pointer against the client area's centre taken as a point of the
# screen, and puts it back there every pass: it must be there before the title menu's
# first poll, or the menu cursor starts off by the difference.
eval "$(xdotool getwindowgeometry --shell "$wine_wid")"
xdotool mousemove $((WIDTH / 2)) $((HEIGHT / 2))
echo "   client area ${WIDTH} x ${HEIGHT} at (${X}, ${Y})"
catch_loading_bar "$(client_region "$wine_wid")" "$shots/wine_loading.png" || fail "the title menu did not show under Wine"
await_screen title "$still_limit" || fail "the title menu is not ours (RMSE $d)"

step "Wine: Play, the story, and a game with its three effect boxes answered"
cursor_onto_play
sleep 0.3
click
await_screen story "$still_limit" || fail "the story screen did not follow a click on Play (RMSE $d)"
# The story screen takes a click only once it has shown for half a second, and the shots
# may match it sooner than that.
sleep 0.7
click
answer_effect_boxes 3 || fail "Wine showed $boxes effect boxes, not 3"
game_start=$(date +%s)
await_screen play "$play_limit" || fail "no play frame like ours after the effect boxes (RMSE $d)"

step "the screens compared"
[ -f "$shots/linux_loading.png" ] && [ -f "$shots/wine_loading.png" ] || fail "a loading bar was not caught"
linux_bar=$(bar_fractions "$shots/linux_loading.png")
wine_bar=$(bar_fractions "$shots/wine_loading.png")
echo "   loading bar (left top width height, of the client area): Linux $linux_bar, Wine $wine_bar"
awk -v a="$linux_bar" -v b="$wine_bar" 'BEGIN { split(a, x, " "); split(b, y, " ");
  for (i = 1; i <= 4; ++i) if (x[i] - y[i] > 0.02 || y[i] - x[i] > 0.02) exit 1 }' ||
  fail "the loading bar is not where ours is"
compare_screen title "$still_limit"
compare_screen story "$still_limit"
compare_screen play "$play_limit"
linux_text=$(heads_up_box "$shots/linux_play.png")
wine_text=$(heads_up_box "$shots/wine_play.png")
echo "   heads-up text glyphs (WxH+X+Y): Linux $linux_text, Wine $wine_text"
awk -v a="$linux_text" -v b="$wine_text" -F '[x+]' 'BEGIN { split(a, x, "[x+]"); split(b, y, "[x+]");
  if (x[3] - y[3] > 2 || y[3] - x[3] > 2 || x[4] - y[4] > 2 || y[4] - x[4] > 2) exit 1;
  if (x[2] - y[2] > 3 || y[2] - x[2] > 3 || (x[1] - y[1]) / x[1] > 0.1 || (y[1] - x[1]) / x[1] > 0.1) exit 1 }' ||
  fail "the heads-up text is not where ours is, or not its size"

step "Wine: the player turns, walks and fires; the heads-up clock runs"
move_mouse 20 0 15
move_mouse -20 0 15
move_mouse 0 6 8
hold_key w 0.8
xdotool mousedown 1
hold_key d 3
hold_key a 3
xdotool mouseup 1
client_shot "$wine_wid" "$shots/wine_playing.png"
# The clock's last digits ("02:5x") sit at the right of the text: the glyphs there (light
# pixels, whatever the sky behind them) must have changed.
clock=40x18+230+10
for n in play playing; do
  convert "$shots/wine_$n.png" -crop "$clock" +repage -fx "$light ? 1 : 0" "$work/clock_$n.png"
done
d=$(distance "$work/clock_play.png" "$work/clock_playing.png")
echo "   heads-up clock digits changed by RMSE $d"
less_than 0.1 "$d" || fail "the heads-up clock did not change in eight seconds of play"

step "Wine: after 180 s the game-over screen"
await_screen game_over "$still_limit" game_over 240 || fail "the game-over screen did not appear (RMSE $d)"
echo "   game over $(($(date +%s) - game_start)) s after the game began"
compare_screen game_over "$still_limit"

step "Wine: a click back to the title menu, Quit, status 0"
sleep 0.6
click
await_screen title_again "$still_limit" title 10 || fail "the title menu did not come back (RMSE $d)"
move_mouse 0 20 10
sleep 0.3
click
wait_for_end "$wine_pid" || fail "Quit did not end vornex.exe"
wine_pid=""
[ "$status" = 0 ] || fail "vornex.exe ended with status $status"
wineserver -w
bytes=$(cat "$work/sound-bytes" 2>/dev/null || echo none)
echo "   DirectSound mixed $bytes bytes of sound (not silence) into ALSA"
[ "$bytes" != none ] && [ "$bytes" -gt 0 ] || fail "no sound reached the ALSA device"
echo "wine_test: all passed"
