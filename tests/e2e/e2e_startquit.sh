#!/usr/bin/env bash
# Starting and ending: the command line without a display, and no display at all; the tray menu
# read by a StatusNotifier host of the test's own; the autostart entry through its menu entry;
# "Quitter" leaves the notes file byte for byte as it was; ended from outside (SIGTERM, the
# session manager, the display gone), what was typed is in the file.
. "$(dirname "$0")/lib.sh"
bin=$1

env -u DISPLAY "$bin" --help | grep -q "Affiche la version" || e2e_fail "--help without a display"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin" 2>"$E2E_TMP/err" || status=$?
[ $status = 1 ] && grep -q "aucun affichage graphique" "$E2E_TMP/err" || e2e_fail "no display: $status, $(cat "$E2E_TMP/err")"

# Two notes, the second alerted; Windows-1252 bytes (\xe0 is "à", \xa4 is a quote in a text).
printf '"Le 01/12 \xe0 16:26","Acheter du pain~Appeler le \xa4garage\xa4","lundi 08/12 9h30",""\r\n"Le 02/12 \xe0 09:05","Rendre les livres","mardi 02/12 14h00","1"\r\n' \
  >"$E2E_DATA/planifs.txt"
before=$(e2e_hex "$E2E_DATA/planifs.txt")
e2e_start_display
e2e_start_app dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/fake_desktop.py" watcher "$E2E_TMP/menu" -- "$bin"
win=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
# Painted: its bottom left corner light yellow (255, 255, 128) on the screenshot.
painted() {
  e2e_screenshot startquit-main
  read -r x y h <<<"$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} /Height:/ {h = $2} END {print x, y, h}')"
  [ "$(convert "$E2E_OUT/startquit-main.png" -format "%[pixel:p{$((x + 3)),$((y + h - 3))}]" info:)" = "srgb(255,255,128)" ]
}
e2e_until 5 painted || e2e_fail "the main window was not painted"
e2e_until 10 test -s "$E2E_TMP/menu" || e2e_fail "no tray item registered"
[ "$(cat "$E2E_TMP/menu")" = '["_Nouvelle", "_Restaurer", " _Quitter"]' ] || e2e_fail "the menu exported: $(cat "$E2E_TMP/menu")"

autostart=$XDG_CONFIG_HOME/autostart/rappelix.desktop
e2e_menu "$win" o Down Return # "Options", second entry
e2e_until 5 test -e "$autostart" || e2e_fail "no autostart entry"
grep -qx "Exec=\"$(readlink -f "$bin")\"" "$autostart" && grep -qx "TryExec=$(readlink -f "$bin")" "$autostart" ||
  e2e_fail "the entry does not start the program: $(cat "$autostart")"
e2e_menu "$win" o Down Return
e2e_until 5 eval '! test -e "$autostart"' || e2e_fail "the autostart entry stayed"
e2e_quit "$win"
[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$before" ] || e2e_fail "the notes file changed"

# Types $1 at the end of the second note, in all the notes shown by the main window, which maps
# no image plugin, printing or networking library at start-up (the memory margin is small).
type_in_note() {
  main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
  ! grep -E '/imageformats/|libQt6PrintSupport|libQt6Network' "/proc/$(xdotool getwindowpid "$main")/maps" ||
    e2e_fail "libraries start-up does not need"
  e2e_menu "$main" l Return # "Tout afficher"
  note=$(e2e_wait_window '^Le 02/12 ') || e2e_fail "no note window"
  xdotool windowfocus --sync "$note"
  xdotool type --delay 10 "$1"
  e2e_wait_typed "$1"
}
typed() { grep -q "Rendre les livres$1~*\"" "$E2E_DATA/planifs.txt" || e2e_fail "typed text lost: $(cat -v "$E2E_DATA/planifs.txt")"; }
e2e_start_app "$bin"
# "Nouvelle" with no window manager: the new note takes the focus itself.
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
xdotool windowfocus --sync "$main" key ctrl+n
note=$(e2e_wait_window '^Le [0-9]') || e2e_fail "no note window"
e2e_until 5 eval '[ "$(xdotool getwindowfocus)" = "$note" ]' || e2e_fail "the new note has no focus"
type_in_note ' demain'
kill -TERM "$E2E_APP"
e2e_wait_exit 10
typed ' demain'

echo "-- the session manager ends the session (xsm on SIGTERM): the text is written, the program ends"
echo "$bin" >"$HOME/.xsmstartup"
e2e_start_app xsm
xsm=$E2E_APP
type_in_note ' midi'
E2E_APP=$(xdotool getwindowpid "$main")
kill -TERM "$xsm"
e2e_until 10 eval '! kill -0 "$E2E_APP" 2>/dev/null' || e2e_fail "the program did not end with the session"
typed ' demain midi'

echo "-- the display goes away (Qt then calls exit()): the text is written on the way out"
e2e_start_app "$bin"
type_in_note ' pile'
kill "$E2E_XVFB"
e2e_wait_exit 10
typed ' demain midi pile'
echo PASS
