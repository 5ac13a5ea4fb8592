#!/usr/bin/env bash
# A person's round: "Nouvelle", type, close the note window, more notes stacked at the bottom
# right, quit, start again: the notes are still there.
E2E_WM=1
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

e2e_start_display
e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
# Clicks "Nouvelle", 92 px right and 196 px down from the corner of the window's client area.
new_note() {
  xdotool windowactivate --sync "$main"
  local at
  at=$(xwininfo -id "$main" | awk '/Absolute upper-left [XY]/ {printf "%d ", $4}')
  set -- $at
  xdotool mousemove $(($1 + 92)) $(($2 + 196)) sleep 0.1 click 1
}
note_windows() { xdotool search --onlyvisible --name '^Le [0-9][0-9]/[0-9][0-9] ' 2>/dev/null || true; }
count_notes() { [ "$(note_windows | grep -c .)" -eq "$1" ]; }

new_note
note=$(e2e_wait_window '^Le [0-9][0-9]/[0-9][0-9] ') || e2e_fail "no note window"
xdotool windowactivate --sync "$note"
xdotool type --delay 20 'Acheter du pain'
xdotool key Return
xdotool type --delay 20 'Appeler le "garage", vite'
sleep 0.3
xdotool key --clearmodifiers alt+F4 # the close box writes the file
e2e_until 5 count_notes 0 || e2e_fail "the note window did not close"
LC_ALL=C grep -q 'Acheter du pain~Appeler le .garage., vite' "$E2E_DATA/planifs.txt" ||
  e2e_fail "the note is not in the file: $(cat -v "$E2E_DATA/planifs.txt")"

# Three more notes: their windows climb the right edge from the bottom-right corner.
for text in 'Rendre les livres' 'Payer le loyer' 'Arroser les plantes'; do
  new_note
  sleep 0.4
  xdotool type --delay 10 "$text"
done
e2e_until 5 count_notes 3 || e2e_fail "expected three note windows"
sleep 0.5
e2e_screenshot notes-stacked
ys=()
for w in $(note_windows); do
  eval "$(xdotool getwindowgeometry --shell "$w")"
  [ $((X + WIDTH)) -ge 1200 ] || e2e_fail "a note window is not at the right edge: x=$X"
  ys+=("$Y")
done
[ "$(printf '%s\n' "${ys[@]}" | sort -u | wc -l)" -eq 3 ] || e2e_fail "note windows overlap: ${ys[*]}"

e2e_quit "$main"
for text in 'Acheter du pain' 'Rendre les livres' 'Payer le loyer' 'Arroser les plantes'; do
  grep -q "$text" "$E2E_DATA/planifs.txt" || e2e_fail "'$text' was not saved"
done
[ "$(grep -c '' "$E2E_DATA/planifs.txt")" -eq 4 ] || e2e_fail "expected four records"
# Started again, "Tout afficher" opens the four notes; none opened by itself.
e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window after the restart"
sleep 0.3
count_notes 0 || e2e_fail "a note window opened at start-up"
xdotool windowactivate --sync "$main"
xdotool key --clearmodifiers alt+l Return
e2e_until 5 count_notes 4 || e2e_fail "Tout afficher did not show the four notes"
echo PASS
