#!/usr/bin/env bash
# The real program in a real notification area (trayer): the icon brings the hidden window back,
# a second start only brings the first copy forward, and the icon's menu ends the program.
E2E_TRAY=1
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

reduce() { # "Réduire", the first entry of "&Fichier"
  e2e_menu "$main" f Return
  e2e_until 5 eval '! e2e_viewable "$main" && ! e2e_menu_shown' || e2e_fail "the main window did not hide"
}

# Off the centre: a window shown again where it was would not be centred.
move_away() {
  xdotool windowmove "$main" 0 0
  e2e_until 5 eval '! e2e_centred "$main"' || e2e_fail "the window could not be moved"
}

printf '"Le 01/12 \xe0 16:26","Acheter du pain","lundi 08/12 9h30",""\r\n' >"$E2E_DATA/planifs.txt"
before=$(e2e_hex "$E2E_DATA/planifs.txt")
e2e_start_display
e2e_start_app "$bin"
e2e_until 10 e2e_icon_of "$E2E_APP" >/dev/null || e2e_fail "the icon is not in the notification area"
icon=$(e2e_icon_of "$E2E_APP")
e2e_until 10 e2e_main_of "$E2E_APP" "$icon" >/dev/null || e2e_fail "no main window"
main=$(e2e_main_of "$E2E_APP" "$icon")

echo "-- the left button brings the hidden window back centred when released, not when pressed"
move_away
reduce
xdotool mousemove --window "$icon" 8 8 mousedown 1
! e2e_until 1 e2e_viewable "$main" || e2e_fail "the window came back on the press"
xdotool mouseup 1
e2e_until 5 eval 'e2e_viewable "$main" && e2e_centred "$main"' || e2e_fail "a left click did not show the main window centred: $(e2e_frame "$main")"

echo "-- a click while the window is shown centres it again; a double click shows it once, to stay"
move_away
xdotool mousemove --window "$icon" 8 8 click 1
e2e_until 5 e2e_centred "$main" || e2e_fail "a click did not centre the window shown: $(e2e_frame "$main")"
move_away
reduce
xdotool mousemove --window "$icon" 8 8 click --repeat 2 --delay 100 1
e2e_until 5 eval 'e2e_viewable "$main" && e2e_centred "$main"' || e2e_fail "a double click did not show the window centred: $(e2e_frame "$main")"
! e2e_until 1 eval '! e2e_viewable "$main" || ! e2e_centred "$main"' ||
  e2e_fail "the window went again or moved after a double click: $(e2e_frame "$main")"
[ "$(xdotool search --onlyvisible --pid "$E2E_APP" | grep -cxv "$icon")" = 1 ] || e2e_fail "not one window"

second_start() {
  reduce
  timeout 20 env LANG=fr_FR.UTF-8 "$bin" >/dev/null 2>&1 || e2e_fail "the second copy failed or did not end"
  e2e_until 5 e2e_viewable "$main" || e2e_fail "the first copy did not come forward"
}
echo "-- a second start brings the first copy forward and ends without writing"
second_start
[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$before" ] || e2e_fail "the second copy wrote the notes file"

echo "-- the data folder removed under the running copy comes back; the guard holds on"
mv "$E2E_DATA" "$E2E_TMP/removed" # as a clean-up tool would, at once
e2e_until 5 test -d "$E2E_DATA" || e2e_fail "the data folder did not come back"
second_start

echo "-- a right click opens the menu; \" &Quitter\" writes the notes and ends"
reduce
xdotool mousemove --window "$icon" 8 8 mousedown 3
! e2e_until 1 e2e_menu_shown || e2e_fail "the menu opened on the press"
xdotool mouseup 3
e2e_until 5 e2e_menu_shown || e2e_fail "no menu"
xdotool key q
e2e_wait_exit 10
grep -q "Acheter du pain" "$E2E_DATA/planifs.txt" || e2e_fail "the notes were not written again"
[ -z "$(ls "$E2E_DATA" | grep -v '^planifs.txt$')" ] || e2e_fail "files of the program's own in the data folder: $(ls "$E2E_DATA")"

echo PASS
