#!/usr/bin/env bash
# A 16 pt desktop font (qt6ct) under fluxbox, which tells a window's frame only after the window
# is on screen: the main window's first showing has its frame centred, the window grown to
# 8625 twips times 16 / 9 (1023 px), and the notes shown at that size for the README's picture.
E2E_WM=fluxbox
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

mkdir -p "$XDG_CONFIG_HOME/qt6ct"
printf '[Fonts]\ngeneral="DejaVu Sans,16,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"\n' >"$XDG_CONFIG_HOME/qt6ct/qt6ct.conf"
# \xe0 is "à" in Windows-1252.
printf '"Le 01/12 \xe0 16:26","Appeler le dentiste pour le rendez-vous de janvier","mercredi 16/12 19h45",""\r\n"Le 02/12 \xe0 09:05","Rendre les livres","",""\r\n' \
  >"$E2E_DATA/planifs.txt"

e2e_start_display
e2e_start_app env QT_QPA_PLATFORMTHEME=qt6ct "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
e2e_until 5 e2e_centred "$main" || e2e_fail "the main window's frame is not centred: $(e2e_frame "$main")"
width=$(xwininfo -id "$main" | awk '/Width:/ {print $2}')
[ "$width" = 1023 ] || e2e_fail "the main window is $width px wide at 16 pt"
# Once the window manager has made it the active window: keys sent before go nowhere.
e2e_until 5 eval 'xdotool windowactivate --sync "$main" 2>/dev/null; [ "$(xdotool getactivewindow)" = "$main" ]' ||
  e2e_fail "the main window did not become active"
e2e_menu "$main" l Return # Liste > Tout afficher
note=$(e2e_wait_window '^Le 01/12 ') || e2e_fail "the notes did not show"
[ "$(xwininfo -id "$note" | awk '/Width:/ {print $2}')" = 635 ] || e2e_fail "the note is not 4905 twips times 16 / 8.25 wide"
e2e_screenshot large-font
echo PASS
