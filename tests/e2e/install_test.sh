#!/usr/bin/env bash
# The game as a player installs it: the Debian package is made from the build (CPack),
# unpacked into a scratch root, and its `vornex` command started from another folder
# shows the title menu and quits with status 0. `cmake --install` into a scratch prefix
# must give the same files as the package, and the desktop entry and icon must be there.
# The package's own tree is what runs, because it is what `apt-get install` puts on a
# machine; the command finds the game's folder from its own place, so the tree runs
# wherever it is unpacked. Run inside an X server (xvfb-run).
# usage: install_test.sh BUILD_DIR SHOT_DIR
set -u
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
build=$1 shots=$2
mkdir -p "$shots"
scratch=$(mktemp -d)
trap 'stop_program; rm -rf "$scratch"' EXIT

echo "-- the package is made and holds the game"
cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
  fail "cpack failed: $(tail -n 20 "$scratch/cpack.log")"
debs=("$scratch"/package/vornex_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "not one vornex_*.deb: ${debs[*]}"
deb=${debs[0]}
[ "$(dpkg-deb -f "$deb" Package)" = vornex ] || fail "the package is not named vornex"
dpkg-deb -f "$deb" Depends | grep -q libsdl2 || fail "the package does not depend on SDL: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -x "$deb" "$scratch/root" || fail "the package does not unpack"
usr=$scratch/root/usr
for file in bin/vornex lib/vornex/vornex lib/vornex/ground.bmp lib/vornex/Art/Title.png \
  share/applications/vornex.desktop share/icons/hicolor/128x128/apps/vornex.png; do
  [ -f "$usr/$file" ] || fail "the package has no $file"
done
[ -x "$usr/bin/vornex" ] || fail "bin/vornex is not executable"

echo "-- the desktop entry starts the command and names the icon, a 128 x 128 PNG"
grep -qx 'Exec=vornex' "$usr/share/applications/vornex.desktop" || fail "the desktop entry does not run vornex"
grep -qx 'Icon=vornex' "$usr/share/applications/vornex.desktop" || fail "the desktop entry does not name the icon"
sed -n '/^\[Desktop Action fullscreen\]$/,$p' "$usr/share/applications/vornex.desktop" >"$scratch/action"
grep -qx 'Actions=fullscreen;' "$usr/share/applications/vornex.desktop" && grep -qx 'Name=Play full screen' "$scratch/action" &&
  grep -qx 'Exec=vornex --fullscreen' "$scratch/action" || fail "the desktop entry has no action 'Play full screen'"
size=$(identify -format '%m %wx%h' "$usr/share/icons/hicolor/128x128/apps/vornex.png")
[ "$size" = "PNG 128x128" ] || fail "the icon is $size"

echo "-- cmake --install puts the same files under a prefix"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null || fail "cmake --install failed"
listing() { (cd "$1" && find . -type f | sort); }
listed=$(diff <(listing "$usr") <(listing "$scratch/prefix")) ||
  fail "the package and the installed prefix differ: $listed"

echo "-- the installed command, started from another folder, shows the title menu"
mkdir "$scratch/elsewhere"
exe=$usr/bin/vornex rundir=$scratch/elsewhere
start_game
sleep 2
window_shot "$shots/installed_title.png"
d=$(distance_from_picture "$usr/lib/vornex/Art/Title.png" "$shots/installed_title.png")
echo "   title picture distance $d"
less_than "$d" 0.16 || fail "the title menu is not showing (distance $d)"

echo "-- Escape quits with status 0"
xdotool key Escape
wait_for_exit "Escape did not end the installed game"
[ "$status" = 0 ] || fail "exit status $status"

echo "-- 'vornex --fullscreen' starts it full screen; an unknown option is refused"
start_game --fullscreen
await_geometry 1024x768+0+0
sleep 2
import -window root "$shots/installed_full_screen.png"
check_full_screen_picture "$shots/installed_full_screen.png" "$scratch/square.png"
xdotool key Escape
wait_for_exit "Escape did not end the full-screen game"
[ "$status" = 0 ] || fail "exit status $status"
"$usr/bin/vornex" --windowed 2>"$scratch/refused" && fail "an unknown option was taken"
grep -qF "unknown option '--windowed'" "$scratch/refused" || fail "the refusal does not name the option: $(cat "$scratch/refused")"
echo "install_test: all passed"
