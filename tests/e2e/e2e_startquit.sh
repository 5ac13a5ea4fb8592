#!/usr/bin/env bash
# The real program on a prepared notes file: its main window comes up centred, "Quitter" from
# the keyboard ends it and leaves the file byte for byte as it was.
. "$(dirname "$0")/lib.sh"
bin=$1

# Two notes, the second alerted; Windows-1252 bytes (\xe0 is "à", \xa4 is a quote in a text).
printf '"Le 01/12 \xe0 16:26","Acheter du pain~Appeler le \xa4garage\xa4","lundi 08/12 9h30",""\r\n"Le 02/12 \xe0 09:05","Rendre les livres","mardi 02/12 14h00","1"\r\n' \
  >"$E2E_DATA/planifs.txt"
before=$(e2e_hex "$E2E_DATA/planifs.txt")

e2e_start_display
e2e_start_app "$bin"
win=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
sleep 0.5
e2e_screenshot startquit-main
eval "$(xdotool getwindowgeometry --shell "$win")"
[ $((X + WIDTH / 2 - 640)) -le 20 ] && [ $((640 - X - WIDTH / 2)) -le 20 ] || e2e_fail "not centred: x=$X w=$WIDTH"
e2e_quit "$win"
[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$before" ] || e2e_fail "the notes file changed"
echo PASS
