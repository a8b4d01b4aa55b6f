#!/usr/bin/env bash
# Every data file of the run directory, missing and then damaged in turn, each case in a
# copy of the run directory (links to the real files, the one under test replaced):
#  - an asset of the loading screen, or "ground.bmp": start-up ends by itself with one
#    "start-up failed" line naming the file and a non-zero status;
#  - a screen image (Art/*.png): the program starts, the screen that uses the image shows
#    its file name as a label instead, and Escape quits with status 0;
#  - an effect (*.fx): the program starts; when a game starts, "Fx Compile Error" names
#    the file, the game carries on (its heads-up line is drawn), and Escape quits with 0.
#    One more such case: ShdTerrain.fx with macros that double at every level put before
#    its text (a preprocessor bomb), which the loader must refuse at once.
# Never a crash (an exit by signal, a sanitizer report) nor a hang (every wait is bounded).
# The start-up failures run headless, in parallel and in the background. The screen images
# and effects run one by one in the X server this script runs in (xvfb-run), driven with
# xdotool, each window at the screen's top-left corner; except GameOver.png, first opened
# when a game ends three minutes in, whose cases run in the headless driver (the same game
# on a virtual clock, played by a script).
# usage: data_faults_test.sh VORNEX VORNEX_HEADLESS RUN_DIR [SHOT_DIR]
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
exe=$1
headless_exe=$2
rundir=$(cd "$3" && pwd)
shots=${4:-}
work=$(mktemp -d)
mkdir -p "$work/results" "$work/cases"
[ -n "$shots" ] && mkdir -p "$shots"

headless_pool="" # the subshell running the headless cases
keeper=""        # a client that keeps the X server from resetting between programs
# Everything this script started, stopped when it ends, however it ends ($pid, from
# lib.sh, is the one program driven with input).
stop_everything() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$headless_pool" ] && kill "$headless_pool" 2>/dev/null
  [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
  rm -rf "$work"
}
trap stop_everything EXIT

# ---- the data files and how each is damaged --------------------------------------------

fatal_files=(Arms.X BugTank.X BugTurret.X CannonWalker.X HoverTank.X Bullet.X
  Plasma1.png Plasma2.png ArmsSkin.png BugTankSkin.png BugTurretSkin.png
  CannonWalkerSkin.png HoverTankSkin.png BlurPart.png Skybox.png
  BONES4.wav pew.wav dead.wav ground.bmp)
title_menu_files=(Art/Title.png Art/Menu1.png Art/Menu3.png Art/Cursor.png)
story_files=(Art/Story.png)
game_over_files=(Art/GameOver.png)
effect_files=(ShdTerrain.fx ShdPlasma.fx ShdPartical.fx)

common_variants=(missing empty half garbage directory)
# Each effect on its own as missing, cut in half and garbage; the other damage to all three
# at once (every effect a game loads then fails, and the game still carries on).
effect_variants=(missing half garbage)
all_effects_variants=(empty directory)
bomb_effect=ShdTerrain.fx
mesh_variants=(vertex-count-huge vertex-count-plus-one texcoord-count-minus-one)
wav_variants=(data-chunk-oversized fmt-chunk-oversized)

variants_of() {
  case "$1" in
    *.X) echo "${common_variants[*]} ${mesh_variants[*]}" ;;
    *.wav) echo "${common_variants[*]} ${wav_variants[*]}" ;;
    *) echo "${common_variants[*]}" ;;
  esac
}

# Every file of the run directory (other than the notes) has its cases: a data file added
# later without them fails this test instead of going unchecked.
check_every_file_listed() {
  local listed file missing=""
  listed=" ${fatal_files[*]} ${title_menu_files[*]} ${story_files[*]} ${game_over_files[*]} ${effect_files[*]} "
  while IFS= read -r file; do
    [[ "$listed" == *" $file "* ]] || missing="$missing $file"
  done < <(cd "$rundir" && find . -type f ! -name '*.md' | sed -e 's|^\./||' | sort)
  [ -z "$missing" ] || fail "data files without fault cases:$missing"
}

# Bytes that mean nothing, the same on every run: a small linear congruential generator
# (exact in awk's floating point).
garbage() {
  LC_ALL=C awk -v n="$1" 'BEGIN { s = 12345; for (i = 0; i < n; i++) { s = (75 * s + 74) % 65537; printf "%c", s % 256 } }'
}

# The .X text with the count on the first number line after the line matching `section`
# made wrong (huge, plus-one, minus-one).
wrong_count() {
  local original=$1 section=$2 how=$3
  awk -v section="$section" -v how="$how" '
    !done && armed && /^ *[0-9]+;/ {
      match($0, /[0-9]+/)
      n = substr($0, RSTART, RLENGTH) + 0
      m = how == "huge" ? "4000000000" : how == "plus-one" ? n + 1 : n - 1
      $0 = substr($0, 1, RSTART - 1) m substr($0, RSTART + RLENGTH)
      done = 1
    }
    !done && $0 ~ section { armed = 1 }
    { print }
    END { if (!done) exit 1 }' "$original"
}

# The effect's text after forty macros, each twice the one before, and a use of the last:
# replaced in full it would be 2^39 tokens.
macro_bomb() {
  local i
  echo "#define A0 x"
  for i in $(seq 39); do echo "#define A$i A$((i - 1)) A$((i - 1))"; done
  echo "float A39;"
  cat "$1"
}

# The WAV file with the size of its chunk `id` set to 0x7FFFFFF0, far past the file's end.
oversized_chunk() {
  local original=$1 id=$2 target=$3 at
  cp "$original" "$target"
  at=$(grep -obUa -- "$id" "$original" | head -n 1 | cut -d: -f1)
  [ -n "$at" ] || return 1
  printf '\xf0\xff\xff\x7f' | dd of="$target" bs=1 seek=$((at + 4)) conv=notrunc status=none
}

case_name() { echo "$1.$2" | tr '/' '_'; }

# A copy of the run directory (links) with each of `files` damaged as `variant`.
make_case() {
  local name=$1 files=$2 variant=$3
  local dir="$work/cases/$name" file
  mkdir -p "$dir"
  cp -rs "$rundir"/. "$dir"/
  for file in $files; do
    damage "$rundir/$file" "$dir/$file" "$variant" || return 1
  done
}

damage() {
  local original=$1 target=$2 variant=$3 size
  rm -f "$target"
  size=$(stat -c %s "$original")
  case "$variant" in
    missing) ;;
    empty) : >"$target" ;;
    half) head -c $((size / 2)) "$original" >"$target" ;;
    garbage) garbage "$size" >"$target" ;;
    directory) mkdir "$target" ;;
    vertex-count-huge) wrong_count "$original" '^Mesh ' huge >"$target" ;;
    vertex-count-plus-one) wrong_count "$original" '^Mesh ' plus-one >"$target" ;;
    texcoord-count-minus-one) wrong_count "$original" 'MeshTextureCoords' minus-one >"$target" ;;
    data-chunk-oversized) oversized_chunk "$original" data "$target" ;;
    fmt-chunk-oversized) oversized_chunk "$original" 'fmt ' "$target" ;;
    macro-bomb) macro_bomb "$original" >"$target" ;;
    *) false ;;
  esac
}

# ---- judging ----------------------------------------------------------------------------

# What a crash or a sanitizer leaves on standard error.
crash_markers='Sanitizer|runtime error:|Segmentation fault|Aborted|core dumped|terminate called|double free|stack smashing|corrupted'

# A case's verdict: PASS or FAIL, with the program's standard error after a failure.
verdict() {
  local name=$1 problem=$2 passed=$3
  local dir="$work/cases/$name"
  if [ -n "$problem" ]; then
    {
      echo "FAIL $name: $problem"
      [ -f "$dir.err" ] && sed -e 's/^/    stderr: /' "$dir.err"
    } >"$work/results/$name"
  else
    echo "PASS $name: $passed" >"$work/results/$name"
    rm -rf "$dir" "$dir.out" "$dir.err"
  fi
}

# make_case for case `name`; when the case cannot be made, that is its verdict and this
# returns 1.
prepare_case() {
  make_case "$@" || { verdict "$1" "cannot make the case" ""; return 1; }
}

# A copy of case `name`'s picture in SHOT_DIR, when one was given.
keep_shot() {
  local picture=$1 name=$2
  [ -z "$shots" ] || cp "$picture" "$shots/data_faults_$name.png"
}

# An exit status that means a crash, a hang or a program that could not be run.
status_problem() {
  case "$1" in
    124 | 137) echo "hung (stopped by timeout)" ;;
    125 | 126 | 127) echo "could not be run (status $1)" ;;
    *) [ "$1" -ge 128 ] && echo "died of signal $(($1 - 128))" ;;
  esac
}

# ---- start-up failures, headless --------------------------------------------------------

# Start-up must end by itself, non-zero, with exactly one line naming the file.
run_fatal_case() {
  local file=$1 variant=$2 name dir status problem=""
  name=$(case_name "$file" "$variant")
  dir="$work/cases/$name"
  prepare_case "$name" "$file" "$variant" || return
  (cd "$dir" && exec env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout -k 5 30 "$exe") \
    >"$dir.out" 2>"$dir.err"
  status=$?
  problem=$(status_problem "$status")
  if [ -z "$problem" ]; then
    if [ "$status" = 0 ]; then
      problem="start-up did not fail (status 0)"
    elif grep -aEq "$crash_markers" "$dir.err"; then
      problem="a crash report on standard error"
    elif [ "$(grep -ac 'start-up failed' "$dir.err")" != 1 ] ||
      ! grep -a 'start-up failed' "$dir.err" | grep -Fq "\"$file\""; then
      problem="not one start-up failure line naming \"$file\""
    fi
  fi
  verdict "$name" "$problem" "start-up failed naming the file, status $status"
}

# ---- the game-over image, in the headless driver ----------------------------------------

# Into a game and through its three minutes to the game-over screen, a shot of it, then
# Escape. One virtual second a pass (the driver's --frame-ms), so each step gets passes of
# its own.
write_game_over_script() {
  cat >"$work/game_over.vxs" <<'SCRIPT'
at 2000 expect state 0
after 0 mouse 30 40
after 2000 button down
after 2000 button up
after 2000 expect state 6
after 0 button down
after 2000 button up
after 2000 expect state 2
after 182000 expect state 8
after 2000 shot game_over.png
after 0 key down Escape
after 2000 key up Escape
after 2000 expect quit
SCRIPT
}

# GameOver.png damaged: the game-over screen shows its label, and Escape quits.
run_game_over_case() {
  local variant=$1 name dir status problem="" n before
  name=headless.$(case_name Art/GameOver.png "$variant")
  dir="$work/cases/$name"
  prepare_case "$name" Art/GameOver.png "$variant" || return
  (cd "$dir" && exec env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout -k 5 120 "$headless_exe" \
    --run-dir . --shots "$dir" --frame-ms 1000 "$work/game_over.vxs") >"$dir.out" 2>"$dir.err"
  status=$?
  problem=$(status_problem "$status")
  if [ -z "$problem" ]; then
    if [ "$status" != 0 ]; then
      problem="the driver's script did not play through (status $status): $(grep -a 'vornex_headless:' "$dir.err" | head -n 1)"
    elif ! no_fatal_output "$dir.err"; then
      problem="fatal output on standard error"
    elif [ ! -f "$dir/game_over.png" ]; then
      problem="no shot of the game-over screen"
    else
      # The usual game-over picture (as the window shows it) beside the shot.
      as_window_shows "$rundir/Art/GameOver.png" "$dir.usual.png"
      n=$(count_pixels "$dir/game_over.png" 160x22+0+0 "$label_colour")
      before=$(count_pixels "$dir.usual.png" 160x22+0+0 "$label_colour")
      [ "$n" -ge $((before + 40)) ] ||
        problem="no \"Art\\GameOver.png\" label on the game-over screen ($n label pixels)"
      keep_shot "$dir/game_over.png" "$name"
    fi
  fi
  rm -f "$dir.usual.png"
  verdict "$name" "$problem" "label shown on the game-over screen, Escape quits with 0"
}

run_headless_cases() {
  local parallel file variant
  parallel=$(($(nproc) * 2))
  [ "$parallel" -gt 8 ] && parallel=8
  write_game_over_script
  for variant in $(variants_of Art/GameOver.png); do
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n; done
    run_game_over_case "$variant" &
  done
  for file in "${fatal_files[@]}"; do
    for variant in $(variants_of "$file"); do
      while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n; done
      run_fatal_case "$file" "$variant" &
    done
  done
  wait
}

# ---- the program in the X server --------------------------------------------------------

# The label colour (0, 128, 128) where a glyph covers the pixel fully.
label_colour='r < 0.08 && abs(g - 0.5) < 0.06 && abs(b - 0.5) < 0.06'

# Where a screen image's label is drawn: the top of its widget's rectangle.
label_region() {
  case "$1" in
    Art/Title.png) echo "160x22+0+0" ;;
    Art/Menu1.png) echo "160x22+9+120" ;;
    Art/Menu3.png) echo "160x22+13+273" ;;
    Art/Cursor.png) echo "64x22+100+100" ;; # where the cursor starts (the mouse stays still)
    Art/Story.png) echo "160x22+0+0" ;;
  esac
}

# The picture shows `file`'s label (well above what the intact screen has there).
shows_label() {
  local picture=$1 reference=$2 region n before
  region=$(label_region "$3")
  n=$(count_pixels "$picture" "$region" "$label_colour")
  before=$(count_pixels "$reference" "$region" "$label_colour")
  [ "$n" -ge $((before + 40)) ]
}

# The title menu as it always looks (the program's own cursor still where it starts).
shows_usual_title_menu() { less_than "$(distance "$1" "$work/title_menu.png")" 0.03; }

# Starts the program in `dir` (its process in `pid`) and waits for its window (in `wid`);
# sets `problem` when none appears. The window is made before any data file is read, so a
# program without one after ten seconds (it could not open the display and went on
# off-screen) is started once more.
start_program() {
  local dir=$1 attempt status
  for attempt in 1 2; do
    # The pointer away from the window, where a fresh server has it: the program's own
    # cursor then starts where it should.
    xdotool mousemove 512 384
    (cd "$dir" && exec env SDL_AUDIODRIVER=dummy "$exe") >"$dir.out" 2>"$dir.err" &
    pid=$!
    for _ in $(seq 100); do
      wid=$(xdotool search --all --pid "$pid" --name '^VORNEX $' 2>/dev/null | head -n 1)
      [ -n "$wid" ] && return
      if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        status=$?
        pid=""
        problem="it ended before its window appeared (status $status)"
        return
      fi
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
    echo "   (no window within 10 s in $(basename "$dir"), attempt $attempt)"
  done
  problem="no window within 10 s, twice"
}

# Escape (to its window, focused) must end program `p` with status 0 within ten seconds;
# sets the caller's `problem` otherwise.
quit_with_escape() {
  local p=$1 w=$2 status
  xdotool windowfocus --sync "$w" 2>/dev/null || { problem="cannot focus its window"; return; }
  xdotool key Escape
  if wait_for_end "$p"; then
    [ "$status" = 0 ] || problem="Escape ended it with status $status"
  else
    problem="Escape did not end it within 10 s"
  fi
}

no_fatal_output() { ! grep -aEq "$crash_markers|start-up failed|Fx Compile Error" "$1"; }

# The intact run directory: the title menu every later case is compared with.
run_intact() {
  local dir="$work/cases/intact" problem="" wid
  make_case intact "" ""
  start_program "$dir"
  if [ -z "$problem" ]; then
    problem="the title menu did not show"
    as_window_shows "$rundir/Art/Title.png" "$work/title_ref.png"
    for _ in $(seq 50); do
      sleep 0.2
      window_shot "$work/title_menu.png"
      if less_than "$(distance "$work/title_menu.png" "$work/title_ref.png")" 0.16; then
        sleep 0.3
        window_shot "$work/title_menu.png"
        problem=""
        break
      fi
    done
  fi
  [ -z "$problem" ] && quit_with_escape "$pid" "$wid"
  [ -z "$problem" ] && ! no_fatal_output "$dir.err" && problem="fatal output on standard error"
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  pid=""
  if [ -n "$problem" ]; then
    echo "FAIL: the intact run directory: $problem"
    sed -e 's/^/    stderr: /' "$dir.err"
    exit 1
  fi
}

# A title-menu image damaged: the title menu shows its label, and Escape quits with 0.
run_title_case() {
  local file=$1 variant=$2 name picture
  name=x11.$(case_name "$file" "$variant")
  picture="$work/$name.png"
  problem=""
  prepare_case "$name" "$file" "$variant" || return
  start_program "$work/cases/$name"
  if [ -z "$problem" ]; then
    problem="no \"${file//\//\\}\" label on the title menu"
    for _ in $(seq 50); do
      sleep 0.2
      window_shot "$picture"
      shows_label "$picture" "$work/title_menu.png" "$file" && problem=""
      [ -z "$problem" ] && break
      kill -0 "$pid" 2>/dev/null || { problem="it ended by itself"; break; }
    done
    keep_shot "$picture" "$name"
  fi
  [ -z "$problem" ] && ! no_fatal_output "$work/cases/$name.err" && problem="fatal output on standard error"
  finish_driven "$name" "label shown, Escape quits with 0"
}

# One program driven with input, waiting in the title menu; sets `problem` when it does
# not get there.
start_driven() {
  local dir=$1
  problem=""
  start_program "$dir"
  [ -z "$problem" ] || return
  xdotool windowfocus --sync "$wid" 2>/dev/null || { problem="cannot focus the window"; return; }
  for _ in $(seq 50); do
    window_shot "$work/poll.png"
    if shows_usual_title_menu "$work/poll.png"; then
      sleep 0.3 # the menu takes clicks after 0.2 s
      return
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  problem="the title menu did not show"
}

finish_driven() {
  local name=$1 passed=$2
  [ -z "$problem" ] && quit_with_escape "$pid" "$wid"
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  pid=""
  verdict "$name" "$problem" "$passed"
}

# Story.png damaged: "Play" leads to the story screen, which shows the label.
run_story_case() {
  local variant=$1 name picture
  name=x11.$(case_name Art/Story.png "$variant")
  picture="$work/$name.png"
  prepare_case "$name" Art/Story.png "$variant" || return
  start_driven "$work/cases/$name"
  if [ -z "$problem" ]; then
    cursor_onto_play
    sleep 0.1
    click
    problem="no \"Art\\Story.png\" label on the story screen"
    for _ in $(seq 20); do
      sleep 0.2
      window_shot "$picture"
      if shows_label "$picture" "$work/title_menu.png" Art/Story.png; then
        problem=""
        break
      fi
    done
    keep_shot "$picture" "$name"
    kill -0 "$pid" 2>/dev/null || problem="it ended by itself"
  fi
  [ -z "$problem" ] && ! no_fatal_output "$work/cases/$name.err" && problem="fatal output on standard error"
  finish_driven "$name" "label shown, Escape quits with 0"
}

# Effects damaged: clicks through the title menu and the story into a game until the game
# reports them; each must be reported once, by name, and the game must then carry on (its
# heads-up line is drawn).
run_effect_case() {
  local files=$1 variant=$2 name picture err reported="" n file
  if [ "$files" = "${effect_files[*]}" ]; then
    name=x11.every_effect.$variant
  else
    name=x11.$(case_name "$files" "$variant")
  fi
  picture="$work/$name.png"
  err="$work/cases/$name.err"
  prepare_case "$name" "$files" "$variant" || return
  start_driven "$work/cases/$name"
  if [ -z "$problem" ]; then
    cursor_onto_play
    sleep 0.1
    # The first click opens the story; the story takes a click after half a second.
    for _ in $(seq 40); do
      click
      sleep 0.1
      if grep -aq 'Fx Compile Error' "$err"; then
        reported=yes
        break
      fi
      kill -0 "$pid" 2>/dev/null || break
    done
    if [ -z "$reported" ]; then
      problem="no \"Fx Compile Error\" when the game started"
    else
      sleep 0.6
      window_shot "$picture"
      keep_shot "$picture" "$name"
      n=$(count_pixels "$picture" 280x20+0+10 "$solid_white")
      if ! kill -0 "$pid" 2>/dev/null; then
        problem="the game did not carry on (the program ended)"
      elif [ "$n" -lt 300 ]; then
        problem="the game did not carry on (no heads-up line: $n white pixels)"
      fi
    fi
  fi
  if [ -z "$problem" ]; then
    if grep -aEq "$crash_markers|start-up failed" "$err"; then
      problem="fatal output on standard error"
    elif [ "$(grep -ac 'Fx Compile Error' "$err")" != "$(echo "$files" | wc -w)" ]; then
      problem="not one \"Fx Compile Error\" for each damaged effect"
    else
      for file in $files; do
        grep -a 'Fx Compile Error' "$err" | grep -Fq "$file" || problem="no \"Fx Compile Error\" names $file"
      done
    fi
  fi
  finish_driven "$name" "reported, the game carried on, Escape quits with 0"
}

# ---- the run ----------------------------------------------------------------------------

check_every_file_listed

phase() { echo "-- at ${SECONDS} s: $*"; }

phase "headless, in the background: start-up failures and the game-over image"
(run_headless_cases) &
headless_pool=$!

# An X server resets when its last client leaves; this one stays connected throughout, so
# that a program starting between two others always finds the server ready.
xdotool search --sync --name '^data_faults_test: no window has this name$' >/dev/null 2>&1 &
keeper=$!

phase "in the X server: the intact title menu"
run_intact

phase "in the X server: title-menu images"
for file in "${title_menu_files[@]}"; do
  for variant in $(variants_of "$file"); do run_title_case "$file" "$variant"; done
done

phase "in the X server: the story image"
for variant in $(variants_of Art/Story.png); do run_story_case "$variant"; done

phase "in the X server: effects in a game"
for file in "${effect_files[@]}"; do
  for variant in "${effect_variants[@]}"; do run_effect_case "$file" "$variant"; done
done
for variant in "${all_effects_variants[@]}"; do run_effect_case "${effect_files[*]}" "$variant"; done
run_effect_case "$bomb_effect" macro-bomb

phase "waiting for the headless cases"
wait "$headless_pool"
headless_pool=""

grep -ah '^PASS\|^FAIL' "$work"/results/* | sed -e 's/^/   /'
total=$(ls "$work/results" | wc -l)
failed=$(grep -l '^FAIL' "$work"/results/* | wc -l)
echo "   ($total cases in ${SECONDS} s)"
if [ "$failed" != 0 ]; then
  echo "-- failures:"
  grep -l '^FAIL' "$work"/results/* | xargs cat
  echo "FAIL: $failed of $total cases"
  exit 1
fi
echo "data_faults_test: all $total cases passed"
