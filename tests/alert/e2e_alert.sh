#!/usr/bin/env bash
# The real program started a few seconds before 10:15 (libfaketime sets its clock; its timers
# keep the real monotonic one): the note alerted for 10h15 comes up at 10:15, red, at the bottom
# right, and the notes file then holds "1" in its fourth field.
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

faketime=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 /usr/lib/faketime/libfaketimeMT.so.1 2>/dev/null | head -n1) || true
[ -n "$faketime" ] || e2e_fail "libfaketime is not installed (Debian package faketime)"
# Monday 7 December 2026; \xe0 is "à" in Windows-1252.
record='"Le 01/12 \xe0 16:26","Appeler le garage","lundi 07/12 10h15","%s"\r\n'
printf "$record" "" >"$E2E_DATA/planifs.txt"
expected=$(printf "$record" 1 | od -An -tx1 -v | tr -d ' \n')

e2e_start_display
e2e_start_app env TZ=UTC FAKETIME="@2026-12-07 10:14:50" FAKETIME_DONT_FAKE_MONOTONIC=1 LD_PRELOAD="$faketime" "$bin"
e2e_wait_window '^Rappelix$' >/dev/null || e2e_fail "no main window"
[ -z "$(xdotool search --onlyvisible --name '^Le 01/12 ' 2>/dev/null)" ] || e2e_fail "the note came up before 10:15"
# The first tick comes one second into 10:15, some eleven seconds after the start.
win=$(e2e_wait_window '^Le 01/12 ' 20) || e2e_fail "the note did not come up"

# The window's own background, between its buttons and its text box, and the text box.
pixel() { convert "$E2E_OUT/alert-red.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
red() {
  eval "$(xdotool getwindowgeometry --shell "$win")"
  e2e_screenshot alert-red
  [ "$(pixel $((X + 60)) $((Y + 27)))" = 255,0,0 ] && [ "$(pixel $((X + 160)) $((Y + 78)))" = 255,0,0 ]
}
e2e_until 5 red || e2e_fail "the note window is not red: $(pixel $((X + 60)) $((Y + 27)))"
# Slot 1's cell: the bottom right of the 1280 x 1024 work area, 4965 x 1680 twips from it.
[ $((X - 949)) -ge -2 ] && [ $((X - 949)) -le 2 ] && [ $((Y - 912)) -ge -2 ] && [ $((Y - 912)) -le 2 ] ||
  e2e_fail "the note window is not in slot 1's cell: $X,$Y"
e2e_until 5 eval '[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$expected" ]' ||
  e2e_fail "the notes file does not hold the mark: $(cat -v "$E2E_DATA/planifs.txt")"
echo PASS
