#!/usr/bin/env bash
# Start-up benchmark under Xvfb, with trayer as the notification area: Rappelix on a data
# folder of 100 notes against xpad (a sticky-note program with a tray icon), alternated run by
# run, each in fresh HOME and XDG folders. For each run: the time from just before exec to the
# first mapped window (Rappelix: its main window), and the resident memory one second later.
# Then Rappelix's start-up on 100,000 notes.
#   bench/startup.sh <build folder> [runs (default 11)] [runs with 100,000 notes (default 5)]
# Prints the medians as "key value" lines on stdout; details go to stderr.
set -euo pipefail
build=$(cd "${1:?usage: startup.sh <build folder> [runs] [big runs]}" && pwd)
runs=${2:-11}
bigRuns=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
E2E_TRAY=1
. "$here/../tests/e2e/lib.sh"

rappelix=$build/src/rappelix
mapwait=$build/bench/mapwait
makenotes=$build/bench/makenotes
xpad=$(command -v xpad) || e2e_fail "xpad is not installed (scripts/setup.sh bench)"
for f in "$rappelix" "$mapwait" "$makenotes"; do [ -x "$f" ] || e2e_fail "missing $f: build with -DRAPPELIX_BENCH=ON"; done

"$makenotes" 100 "$E2E_TMP/notes-100.txt"
"$makenotes" 100000 "$E2E_TMP/notes-100000.txt"
e2e_start_display

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

# One run of a program in a fresh home: prints "<milliseconds to the window> <RSS in KiB>".
# $1 a name for the run's folder, $2 a notes file to place in the data folder or "", then
# mapwait's options, "--", and the command.
run_once() {
  local dir=$E2E_TMP/$1 notes=$2; shift 2
  rm -rf "$dir"
  mkdir -p "$dir/home" "$dir/data/rapix" "$dir/config" "$dir/cache" "$dir/runtime"
  chmod 700 "$dir/runtime"
  [ -n "$notes" ] && cp "$notes" "$dir/data/rapix/planifs.txt"
  local out pid ms rss
  out=$(HOME=$dir/home XDG_DATA_HOME=$dir/data XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache \
    XDG_RUNTIME_DIR=$dir/runtime LANG=fr_FR.UTF-8 "$mapwait" --timeout 60 --log "$dir.out" "$@" 2>"$dir.log") ||
    { cat "$dir.log" >&2; e2e_fail "$1: no window"; }
  read -r pid ms <<<"$out"
  E2E_PIDS+=("$pid")
  sleep 1
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$pid" 2>/dev/null || true
  echo "$ms $rss"
}

rappelix_run() { run_once "$1" "$2" --name Rappelix -- "$rappelix"; }
xpad_run() { run_once "$1" "" -- "$xpad"; }

# One start of each first, not counted: it brings the libraries into the page cache.
rappelix_run warm-rappelix "$E2E_TMP/notes-100.txt" >/dev/null
xpad_run warm-xpad >/dev/null

: >"$E2E_TMP/rappelix.txt"
: >"$E2E_TMP/xpad.txt"
for i in $(seq "$runs"); do
  r=$(rappelix_run "rappelix-$i" "$E2E_TMP/notes-100.txt")
  x=$(xpad_run "xpad-$i")
  echo "run $i: rappelix $r, xpad $x (ms KiB)" >&2
  echo "$r" >>"$E2E_TMP/rappelix.txt"
  echo "$x" >>"$E2E_TMP/xpad.txt"
done

: >"$E2E_TMP/big.txt"
for i in $(seq "$bigRuns"); do
  b=$(rappelix_run "big-$i" "$E2E_TMP/notes-100000.txt")
  echo "run $i with 100,000 notes: rappelix $b (ms KiB)" >&2
  echo "$b" >>"$E2E_TMP/big.txt"
done

rStart=$(cut -d' ' -f1 "$E2E_TMP/rappelix.txt" | median)
rRss=$(cut -d' ' -f2 "$E2E_TMP/rappelix.txt" | median)
xStart=$(cut -d' ' -f1 "$E2E_TMP/xpad.txt" | median)
xRss=$(cut -d' ' -f2 "$E2E_TMP/xpad.txt" | median)
bStart=$(cut -d' ' -f1 "$E2E_TMP/big.txt" | median)
bRss=$(cut -d' ' -f2 "$E2E_TMP/big.txt" | median)
echo "runs $runs"
echo "startup_rappelix_ms $rStart"
echo "startup_xpad_ms $xStart"
echo "startup_ratio $(awk -v a="$rStart" -v b="$xStart" 'BEGIN {printf "%.2f", a / b}')"
echo "rss_rappelix_kib $rRss"
echo "rss_xpad_kib $xRss"
echo "rss_ratio $(awk -v a="$rRss" -v b="$xRss" 'BEGIN {printf "%.2f", a / b}')"
echo "big_runs $bigRuns"
echo "startup_100000_ms $bStart"
echo "rss_100000_kib $bRss"
