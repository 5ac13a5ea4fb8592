#!/usr/bin/env bash
# Alerts after a wall-clock jump, under Xvfb: Rappelix runs at 9:00 (libfaketime, from a timestamp
# file, the monotonic clock left true) with a note due at 10h15 today; the wall clock then jumps to
# 10:20, as a laptop opened at 10:20 sees it: the timestamp file says 10:20 and the real clock is
# stepped forward by one microsecond (clockstep, root), which the kernel tells the program as a
# setting of the clock. Measured: seconds from the jump to the note's window on screen, red.
#   bench/clockjump.sh <build folder> [timeout in seconds (default 30)]
# Prints "clockjump_s <seconds>" (the timeout when the note never came up) on stdout.
set -euo pipefail
build=$(cd "${1:?usage: clockjump.sh <build folder> [timeout]}" && pwd)
timeout=${2:-30}
. "$(dirname "$0")/../tests/e2e/lib.sh"

faketime=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 /usr/lib/faketime/libfaketimeMT.so.1 2>/dev/null | head -n1) || true
[ -n "$faketime" ] || e2e_fail "libfaketime is not installed (Debian package faketime)"
# Monday 7 December 2026; \xe0 is "à" in Windows-1252.
printf '"Le 01/12 \xe0 16:26","Appeler le garage","lundi 07/12 10h15",""\r\n' >"$E2E_DATA/planifs.txt"
stamp=$E2E_TMP/faketime
echo "@2026-12-07 09:00:00" >"$stamp"

e2e_start_display
e2e_start_app env TZ=UTC FAKETIME_TIMESTAMP_FILE="$stamp" FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 \
  LD_PRELOAD="$faketime" "$build/src/rappelix"
e2e_wait_window '^Rappelix$' >/dev/null || e2e_fail "no main window"

red() {
  local win
  win=$(xdotool search --onlyvisible --name '^Le 01/12 ' 2>/dev/null | head -n1) && [ -n "$win" ] || return 1
  # The window's background between its buttons and its text box.
  [ "$(import -window "$win" -crop 1x1+60+27 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: 2>/dev/null)" = "255 0 0" ]
}
red && e2e_fail "the note came up before the jump"
start=$(date +%s.%N)
echo "@2026-12-07 10:20:00" >"$stamp"
"$build/bench/clockstep" || e2e_fail "the clock could not be stepped (root is needed)"
until red; do
  if [ "$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { print (n - s > '"$timeout"') }')" = 1 ]; then
    echo "clockjump_s $timeout"
    exit 0
  fi
  sleep 0.02
done
awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "clockjump_s %.2f\n", n - s }'
