#!/usr/bin/env bash
# Refreshes the screenshots that README.md shows, under docs/: runs the end-to-end tests that take
# them (they leave them in <build>/screenshots on every run) and copies each into docs/, cut to
# the windows on it. Commit docs/ when they change.
#   bash scripts/screenshots.sh
# The build goes to build/ (or the folder given as BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DRAPPELIX_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target rappelix
shots=$build/screenshots
rm -f "$shots"/{startquit-main,notes-stacked,alert-red,tray-menu}.png
ctest --test-dir "$build" -R '^(e2e_startquit|e2e_notes|e2e_alert|e2e_tray)$' --output-on-failure

# Each screenshot cut to the windows on it, with a narrow black border; -strip drops the
# time stamps, so that a picture changes only when what it shows does.
mkdir -p "$root/docs"
while read -r from to; do
  convert "$shots/$from.png" -trim +repage -bordercolor black -border 12 -strip "$root/docs/$to.png"
  echo "docs/$to.png"
done <<'LIST'
startquit-main main-window
notes-stacked notes-stacked
alert-red note-alert
tray-menu tray-menu
LIST
