#!/usr/bin/env bash
# A person's round under openbox: "Nouvelle", type, close the note window; more notes, their frames
# stacked in their cells at the bottom right; quit, start again: the notes are still there, and
# after "Tout afficher" the main window keeps the focus.
E2E_WM=1
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

e2e_start_display
e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
e2e_until $E2E_WAIT e2e_centred "$main" || e2e_fail "the main window's frame is not centred: $(e2e_frame "$main")"
# Of one size only: openbox then draws no resize handle (a grey line) under the buttons.
hints=$(xprop -id "$main" WM_NORMAL_HINTS)
[ "$(sed -n 's/.*minimum size: //p' <<<"$hints")" = "$(sed -n 's/.*maximum size: //p' <<<"$hints")" ] ||
  e2e_fail "the main window can be resized: $hints"
# Clicks "Nouvelle", 92 px right and 196 px down from the corner of the window's client area.
new_note() {
  xdotool windowactivate --sync "$main"
  set -- $(xwininfo -id "$main" | awk '/Absolute upper-left [XY]/ {printf "%d ", $4}')
  xdotool mousemove $(($1 + 92)) $(($2 + 196)) click 1
}
note_windows() { xdotool search --onlyvisible --name '^Le [0-9][0-9]/[0-9][0-9] ' 2>/dev/null || true; }
count_notes() { [ "$(note_windows | grep -c .)" -eq "$1" ]; }

new_note
note=$(e2e_wait_window '^Le [0-9][0-9]/[0-9][0-9] ') || e2e_fail "no note window"
xdotool windowactivate --sync "$note"
xdotool type --delay 20 'Acheter du pain'
xdotool key Return
xdotool type --delay 20 'Appeler le "garage", vite'
e2e_wait_typed 'Appeler le "garage", vite'
xdotool key --clearmodifiers alt+F4 # the close box writes the file
e2e_until $E2E_WAIT count_notes 0 || e2e_fail "the note window did not close"
# The write goes to the writer thread: it lands a moment after the window has closed.
e2e_until 10 env LC_ALL=C grep -qs 'Acheter du pain~Appeler le .garage., vite' "$E2E_DATA/planifs.txt" ||
  e2e_fail "the note is not in the file: $(cat -v "$E2E_DATA/planifs.txt" 2>&1)"

# Each new note window takes the focus before its text is typed.
focused_note() { [ "$(note_windows | grep -c .)" -eq "$1" ] && note_windows | grep -qx "$(xdotool getwindowfocus 2>/dev/null)"; }
n=0
for text in 'Rendre les livres' 'Payer le loyer' 'Arroser les plantes'; do
  new_note
  n=$((n + 1))
  e2e_until $E2E_WAIT focused_note $n || e2e_fail "note window $n did not take the focus"
  xdotool type --delay 10 "$text"
  e2e_wait_typed "$text"
done
# Slots 1 to 3 of a 1280 x 1024 work area, cells of 4965 x 1680 twips, 15 twips a pixel: each
# frame's corner 4965 twips left of the right edge, and 1680, 3360, 5040 above the bottom.
cells() { for w in $(note_windows); do e2e_frame "$w" | cut -d' ' -f1,2; done | sort | tr "\n" " "; }
e2e_until $E2E_WAIT eval '[ "$(cells)" = "949 688 949 800 949 912 " ]' || e2e_fail "note frames off their cells: $(cells)"

e2e_quit "$main"
grep -q 'Arroser les plantes' "$E2E_DATA/planifs.txt" || e2e_fail "the last note was not saved"
e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window after the restart"
# "Tout afficher", then again with the four windows open: each time every note comes forward,
# then the main window is the active one, and stays so.
active_main() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ]; }
for round in 1 2; do
  e2e_menu "$main" l Return
  e2e_until $E2E_WAIT count_notes 4 || e2e_fail "Tout afficher did not show the four notes kept"
  e2e_until $E2E_WAIT active_main || e2e_fail "the main window is not active after Tout afficher ($round)"
done
! e2e_until 1 eval '! active_main' || e2e_fail "a note window took the focus after Tout afficher"
echo PASS
