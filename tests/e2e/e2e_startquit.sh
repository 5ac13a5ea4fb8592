#!/usr/bin/env bash
# Starting and ending: the command line without a display; the tray menu read by a StatusNotifier
# host of the test's own; the autostart entry through its menu entry; "Quitter" leaves the notes
# file byte for byte as it was; ended from outside, what was typed is in the file.
. "$(dirname "$0")/lib.sh"
bin=$1

env -u DISPLAY "$bin" --help | grep -q "Affiche la version" || e2e_fail "--help without a display"

# Two notes, the second alerted; Windows-1252 bytes (\xe0 is "à", \xa4 is a quote in a text).
printf '"Le 01/12 \xe0 16:26","Acheter du pain~Appeler le \xa4garage\xa4","lundi 08/12 9h30",""\r\n"Le 02/12 \xe0 09:05","Rendre les livres","mardi 02/12 14h00","1"\r\n' \
  >"$E2E_DATA/planifs.txt"
before=$(e2e_hex "$E2E_DATA/planifs.txt")
e2e_start_display
e2e_start_app dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/fake_desktop.py" watcher "$E2E_TMP/menu" -- "$bin"
win=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
sleep 0.5
e2e_screenshot startquit-main
e2e_until 10 test -s "$E2E_TMP/menu" || e2e_fail "no tray item registered"
[ "$(cat "$E2E_TMP/menu")" = '["_Nouvelle", "_Restaurer", " _Quitter"]' ] || e2e_fail "the menu exported: $(cat "$E2E_TMP/menu")"

autostart=$XDG_CONFIG_HOME/autostart/rappelix.desktop
e2e_menu "$win" o Down Return # "Options", second entry
e2e_until 5 test -e "$autostart" || e2e_fail "no autostart entry"
grep -qx "Exec=\"$(readlink -f "$bin")\"" "$autostart" || e2e_fail "the entry does not start the program: $(cat "$autostart")"
e2e_menu "$win" o Down Return
e2e_until 5 eval '! test -e "$autostart"' || e2e_fail "the autostart entry stayed"
e2e_quit "$win"
[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$before" ] || e2e_fail "the notes file changed"

e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
xdotool windowfocus --sync "$main" key ctrl+n # "Nouvelle": with no window manager, the note takes the focus itself
note=$(e2e_wait_window '^Le [0-9]') || e2e_fail "no note window"
e2e_until 5 eval '[ "$(xdotool getwindowfocus)" = "$note" ]' || e2e_fail "the new note has no focus"
xdotool type --delay 10 'Rendre les livres demain'
sleep 0.3
kill -TERM "$E2E_APP"
e2e_wait_exit 10
grep -q 'Rendre les livres demain' "$E2E_DATA/planifs.txt" || e2e_fail "typed text lost: $(cat -v "$E2E_DATA/planifs.txt")"
echo PASS
