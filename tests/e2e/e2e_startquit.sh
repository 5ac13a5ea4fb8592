#!/usr/bin/env bash
# The real program on a prepared notes file: it shows its list, "Quitter" from the keyboard
# ends it and leaves the file byte for byte as it was.
. "$(dirname "$0")/lib.sh"
bin=$1

# Two notes, the second alerted; Windows-1252 bytes (\xe0 is "à", \xa4 is "¤").
printf '"Le 01/12 \xe0 16:26","Acheter du pain~Appeler le \xa4garage\xa4","lundi 08/12 9h30",""\r\n"Le 02/12 \xe0 09:05","Rendre les livres","mardi 02/12 14h00","1"\r\n' \
  >"$E2E_DATA/planifs.txt"
before=$(e2e_hex "$E2E_DATA/planifs.txt")

e2e_start_display
e2e_start_app "$bin"
win=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
sleep 0.5
e2e_screenshot startquit-main

# The main window comes up centred on the screen.
eval "$(xdotool getwindowgeometry --shell "$win")"
[ $((X + WIDTH / 2 - 640)) -le 20 ] && [ $((640 - X - WIDTH / 2)) -le 20 ] || e2e_fail "not centred: x=$X w=$WIDTH"

# "Quitter" is the last entry of "&Fichier".
xdotool windowfocus --sync "$win"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key Up Return
e2e_wait_exit 10
after=$(e2e_hex "$E2E_DATA/planifs.txt")
[ "$before" = "$after" ] || e2e_fail "the notes file changed: $after"
echo "PASS"
