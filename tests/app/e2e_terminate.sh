#!/usr/bin/env bash
# Ended from outside (logout, kill) right after typing: what was typed is in the file.
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

printf '"Le 01/12 \xe0 10:00","Rendre les livres","",""\r\n' >"$E2E_DATA/planifs.txt"
e2e_start_display
e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
# "Tout afficher" opens the note; type at the end of its text.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+l Return
note=$(e2e_wait_window '^Le 01/12 ') || e2e_fail "no note window"
xdotool windowfocus --sync "$note"
xdotool type --delay 10 ' demain'
sleep 0.3
kill -TERM "$E2E_APP"
e2e_wait_exit 10
grep -q 'Rendre les livres demain' "$E2E_DATA/planifs.txt" || e2e_fail "typed text lost: $(cat -v "$E2E_DATA/planifs.txt")"
echo PASS
