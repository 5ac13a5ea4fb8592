#!/usr/bin/env bash
# Refreshes the screenshots that README.md shows, under docs/: runs the end-to-end tests that take
# them (they leave them in <build>/screenshots), takes the one of a note turned red by its alert,
# and copies each into docs/ cut to what is on the screen. Commit docs/ when they change.
#   bash scripts/screenshots.sh
# The build goes to build/ (or the folder given as BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" build test package
cmake -S "$root" -B "$build" -G Ninja -DRAPPELIX_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target rappelix
shots=$build/screenshots
rm -f "$shots"/{startquit-main,notes-stacked,tray-menu,alert-red}.png
ctest --test-dir "$build" -R '^(e2e_startquit|e2e_notes|e2e_tray)$' --output-on-failure --repeat until-pass:2

# A note turned red: the program runs on a clock set ten seconds before a quarter hour, with a
# note whose alert is that quarter hour; its first tick raises the note.
(
  E2E_WM=1 E2E_OUT=$shots
  . "$root/tests/e2e/lib.sh"
  {
    printf '"Le 04/12 \xe0 18:02","Rappeler le plombier","lundi 07/12 9h15",""\r\n'
    printf '"Le 05/12 \xe0 10:40","Acheter du pain","",""\r\n'
    printf '"Le 06/12 \xe0 08:15","Rendre les livres \xe0 la biblioth\xe8que","mardi 08/12 17h30",""\r\n'
  } >"$E2E_DATA/planifs.txt"
  e2e_start_display
  LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1 FAKETIME='@2026-12-07 09:14:50' \
    FAKETIME_DONT_FAKE_MONOTONIC=1 e2e_start_app "$build/src/rappelix"
  main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
  e2e_wait_window '^Le 04/12 ' 30 >/dev/null || e2e_fail "the note was not raised by its alert"
  sleep 1
  e2e_screenshot alert-red
  xdotool windowfocus --sync "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key Up Return
  e2e_wait_exit 10
)

# Each screenshot cut to the windows on it, with a narrow black border.
mkdir -p "$root/docs"
while read -r from to; do
  convert "$shots/$from.png" -trim +repage -bordercolor black -border 12 "$root/docs/$to.png"
  echo "docs/$to.png"
done <<'EOF'
startquit-main main-window
notes-stacked notes-stacked
alert-red note-alert
tray-menu tray-menu
EOF
