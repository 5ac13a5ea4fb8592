#!/usr/bin/env bash
# "Reporter" on the due notification, through a notification service of the test's own: at 10:15
# the note comes up red; the action puts its alert off to 10h30, clears its mark in the file and
# withdraws the notification; the red window stays on screen.
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

faketime=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 /usr/lib/faketime/libfaketimeMT.so.1 2>/dev/null | head -n1) || true
[ -n "$faketime" ] || e2e_fail "libfaketime is not installed (Debian package faketime)"
# Monday 7 December 2026; \xe0 is "à" in Windows-1252.
printf '"Le 01/12 \xe0 16:26","Appeler le garage","lundi 07/12 10h15",""\r\n' >"$E2E_DATA/planifs.txt"
expected=$(printf '"Le 01/12 \xe0 16:26","Appeler le garage","lundi 07/12 10h30",""\r\n' | od -An -tx1 -v | tr -d ' \n')
told=$E2E_TMP/notifications.jsonl

e2e_start_display
e2e_start_app dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/../e2e/fake_desktop.py" notifications "$told" \
  "$E2E_TMP/activate" -- env TZ=UTC FAKETIME="@2026-12-07 10:14:50" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  LD_PRELOAD="$faketime" "$bin"
e2e_wait_window '^Rappelix$' >/dev/null || e2e_fail "no main window"
win=$(e2e_wait_window '^Le 01/12 ' 20) || e2e_fail "the note did not come up"
e2e_until 5 grep -qF '"summary": "Alerte", "body": "10h15 : Appeler le garage"' "$told" ||
  e2e_fail "the alert was not told: $(cat "$told")"
echo reporter >"$E2E_TMP/activate"
e2e_until 5 eval '[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$expected" ]' ||
  e2e_fail "the notes file does not hold the alert put off: $(cat -v "$E2E_DATA/planifs.txt")"
e2e_until 5 grep -qx '{"closed": 1}' "$told" || e2e_fail "the notification stayed: $(cat "$told")"
xdotool search --onlyvisible --name '^Le 01/12 ' | grep -qx "$win" || e2e_fail "the note window went"
echo PASS
