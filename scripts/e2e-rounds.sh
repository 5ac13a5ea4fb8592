#!/usr/bin/env bash
# Runs every end-to-end test ROUNDS times in a row (default 20), first on a quiet machine, then
# beside a CPU load of two workers (stress-ng), then beside those and a disk writer, and prints the
# failures per test; then, once per pass, the tray rounds with ROUNDS rounds of each way under each
# window manager. No retry: one failure in the rounds is a failing test. Needs a build with the
# tests (scripts/test.sh makes it). Named passes (quiet, cpu, cpu+disk) run alone.
#   bash scripts/e2e-rounds.sh [ROUNDS [PASS...]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
rounds=${1:-20}
passes=" ${*:2} "
[ "$passes" = "  " ] && passes=" quiet cpu cpu+disk "
for p in $passes; do
  case $p in quiet | cpu | cpu+disk) ;; *) echo "no pass named $p (quiet, cpu, cpu+disk)" >&2; exit 2 ;; esac
done
"$root/scripts/setup.sh" test bench
mapfile -t tests < <(ctest --test-dir "$build" -N -L e2e | sed -n 's/^ *Test *#[0-9]*: //p')
[ ${#tests[@]} -gt 0 ] || { echo "no end-to-end test in $build" >&2; exit 1; }
logs=$build/e2e-rounds
rm -rf "$logs" && mkdir -p "$logs"

run_rounds() {
  local label=$1 test i failed
  for test in "${tests[@]}"; do
    failed=0
    for i in $(seq 1 "$rounds"); do
      if ctest --test-dir "$build" -R "^$test\$" --output-on-failure >"$logs/$label-$test-$i.log" 2>&1; then
        rm "$logs/$label-$test-$i.log"
      else
        failed=$((failed + 1))
      fi
    done
    echo "$label: $test: $failed failures in $rounds runs"
    total=$((total + failed))
  done
  # The tray rounds once more with ROUNDS rounds of each way, under each window manager.
  for wm in openbox metacity; do
    if bash "$root/tests/tray/e2e_rounds.sh" "$build/src/rappelix" "$wm" "$rounds" >"$logs/$label-rounds-$wm.log" 2>&1; then
      rm "$logs/$label-rounds-$wm.log"
      echo "$label: tray rounds under $wm: passed, $rounds rounds of each way"
    else
      echo "$label: tray rounds under $wm: FAILED"
      total=$((total + 1))
    fi
  done
}

# One pass: its name, then the load beside it (none when quiet).
pass() {
  local label=$1
  shift
  case $passes in *" $label "*) ;; *) return 0 ;; esac
  [ $# -gt 0 ] && { stress-ng "$@" --quiet & load=$!; }
  run_rounds "$label"
  [ -z "$load" ] || { kill "$load" && wait "$load" 2>/dev/null || true; }
  load=""
}
total=0 load=""
trap '[ -z "$load" ] || kill $load 2>/dev/null || true' EXIT
pass quiet
pass cpu --cpu 2
pass cpu+disk --cpu 2 --hdd 1 --temp-path "${TMPDIR:-/tmp}"
echo "e2e rounds: $total failures (logs of failed runs in $logs)"
[ "$total" -eq 0 ]
