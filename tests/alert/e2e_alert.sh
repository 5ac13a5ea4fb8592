#!/usr/bin/env bash
# The real program started before 10:15 under libfaketime, with a notification service of the test's
# own: yesterday's missed alert is told; at 10:15 the note comes up red in slot 1's cell, the file
# holds its mark, and a notification names it, which brings the note forward when activated. Both
# notifications stay until then (timeout 0, resident), and the due one is withdrawn after. All under
# a dark palette (qt6ct's "darker"), with every text on the program's own colours readable.
E2E_WM=1
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

faketime=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 /usr/lib/faketime/libfaketimeMT.so.1 2>/dev/null | head -n1) || true
[ -n "$faketime" ] || e2e_fail "libfaketime is not installed (Debian package faketime)"
# Monday 7 December 2026; \xe0 is "à" in Windows-1252.
record='"Le 01/12 \xe0 16:26","Appeler le garage~avant midi","lundi 07/12 10h15","%s"\r\n"Le 01/12 \xe0 16:27","Rendre les livres","dimanche 06/12 9h30",""\r\n'
printf "$record" "" >"$E2E_DATA/planifs.txt"
expected=$(printf "$record" 1 | od -An -tx1 -v | tr -d ' \n')
told=$E2E_TMP/notifications.jsonl
mkdir -p "$XDG_CONFIG_HOME/qt6ct"
printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\n[Fonts]\ngeneral="Sans Serif,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"\n' \
  >"$XDG_CONFIG_HOME/qt6ct/qt6ct.conf"

e2e_start_display
e2e_start_app dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/../e2e/fake_desktop.py" notifications "$told" \
  "$E2E_TMP/activate" -- env QT_QPA_PLATFORMTHEME=qt6ct TZ=UTC FAKETIME="@2026-12-07 10:14:50" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  LD_PRELOAD="$faketime" "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
e2e_until 10 grep -qF '"summary": "Alertes manqu\u00e9es", "body": "dimanche 06/12 9h30 : Rendre les livres"' "$told" ||
  e2e_fail "the missed alert was not told: $(cat "$told" 2>/dev/null)"
[ -z "$(xdotool search --onlyvisible --name '^Le 01/12 ' 2>/dev/null)" ] || e2e_fail "the note came up before 10:15"
win=$(e2e_wait_window '^Le 01/12 ' 20) || e2e_fail "the note did not come up"

# The window's background, between its buttons and its text box, and the text box: red, within a few levels.
pixel() { convert "$E2E_OUT/alert-red.png" -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:; }
reddish() { read -r r g b <<<"$(pixel "$1" "$2")"; [ "$r" -ge 250 ] && [ "$g" -le 5 ] && [ "$b" -le 5 ]; }
at() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}'; }
red() {
  read -r X Y <<<"$(at "$win")"
  e2e_screenshot alert-red
  reddish $((X + 60)) $((Y + 27)) && reddish $((X + 160)) $((Y + 78))
}
e2e_until 5 red || e2e_fail "the note window is not red: $(pixel $((X + 60)) $((Y + 27))), $(pixel $((X + 160)) $((Y + 78)))"
# WCAG AA (4.5:1) between a region's background and its text: the list's second row and its grey
# missed alert, the red note's text, then the "Le" of its alert editor.
readable() {
  ratio=$(/usr/bin/python3 "$(dirname "$0")/../e2e/contrast.py" "$E2E_OUT/$1.png" "${@:2}")
  awk -v r="$ratio" 'BEGIN {exit !(r >= 4.5)}'
}
read -r MX MY <<<"$(at "$main")"
for region in "$((MX + 5)) $((MY + 60)) 340 16" "$((MX + 408)) $((MY + 60)) 140 16" "$((X + 2)) $((Y + 34)) 150 14"; do
  readable alert-red $region || e2e_fail "contrast $ratio:1 at $region"
done
# Slot 1's cell: 4965 x 1680 twips from the bottom right of the 1280 x 1024 work area.
[ "$(e2e_frame "$win" | cut -d' ' -f1,2)" = "949 912" ] || e2e_fail "the note's frame is not in slot 1's cell: $(e2e_frame "$win")"
e2e_until 5 eval '[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$expected" ]' ||
  e2e_fail "the notes file does not hold the mark: $(cat -v "$E2E_DATA/planifs.txt")"
e2e_until 5 grep -qF '"summary": "Alerte", "body": "10h15 : Appeler le garage"' "$told" ||
  e2e_fail "the alert was not told: $(cat "$told")"
# The due one asks for the reminder sound and offers "Reporter"; the missed one neither.
grep -qF '"body": "10h15 : Appeler le garage", "actions": ["default", "Afficher", "reporter", "Reporter"], "sound": "alarm-clock-elapsed",' "$told" ||
  e2e_fail "the alert has no sound or no Reporter: $(cat "$told")"
grep -qF '9h30 : Rendre les livres", "actions": ["default", "Afficher"], "sound": "",' "$told" ||
  e2e_fail "the missed alerts ask for a sound or offer Reporter: $(cat "$told")"
xdotool windowactivate --sync "$main"
touch "$E2E_TMP/activate"
e2e_until 5 eval '[ "$(xdotool getactivewindow)" = "$win" ]' || e2e_fail "activating the notification did not bring the note forward"
[ "$(grep -c '"timeout": 0, "resident": true}' "$told")" = 2 ] || e2e_fail "notifications that expire: $(cat "$told")"
e2e_until 5 grep -qx '{"closed": 2}' "$told" || e2e_fail "the due notification stayed: $(cat "$told")"
xdotool mousemove --window "$win" 50 12 click 1 # "M'alerter"
e2e_until 5 eval 'e2e_screenshot alert-editor && readable alert-editor $((X + 13)) $((Y + 54)) 17 17' ||
  e2e_fail "contrast $ratio:1 in the alert editor"
echo PASS
