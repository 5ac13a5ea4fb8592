#!/usr/bin/env bash
# Start-up benchmark under Xvfb, with trayer as the notification area: Rappelix on a data
# folder of 100 notes, xpad (a sticky-note program with a tray icon) and a bare Qt Widgets
# window (bareqt: a table view and a button, the floor of any Qt program), alternated run by
# run; Rappelix and the bare window also with a session bus (one, with no service on it). Each
# program has a home of its own (HOME and XDG folders), warmed by one start that is not
# counted, as a person's is: xpad writes its settings and opens its welcome window there,
# and is left with one visible pad, which it then opens at each start. Every start is then
# quit cleanly (xpad --quit; the others on SIGTERM, which Rappelix saves on). For each run: the
# time from just before exec to the first mapped window (Rappelix: its main window; xpad: its
# pad), and the resident memory one second later. Then Rappelix's start-up on 100,000 notes.
#   bench/startup.sh <build folder> [runs (default 11)] [runs with 100,000 notes (default 5)]
# With BESIDE=<another rappelix binary> (another build, say), that one is measured too, in turn
# with the others and in the same home, so that two builds compare side by side.
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
bareqt=$build/bench/bareqt
xpad=$(command -v xpad) || e2e_fail "xpad is not installed (scripts/setup.sh bench)"
for f in "$rappelix" "$mapwait" "$makenotes" "$bareqt"; do
  [ -x "$f" ] || e2e_fail "missing $f: build with -DRAPPELIX_BENCH=ON"
done

"$makenotes" 100 "$E2E_TMP/notes-100.txt"
"$makenotes" 100000 "$E2E_TMP/notes-100000.txt"
e2e_start_display
unset DBUS_SESSION_BUS_ADDRESS
read -r bus busPid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -sd' ')
E2E_PIDS+=("$busPid")

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

# Runs a command in home $1 (under $E2E_TMP), in French.
in_home() {
  local dir=$E2E_TMP/$1
  shift
  HOME=$dir/home XDG_DATA_HOME=$dir/data XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache \
    XDG_RUNTIME_DIR=$dir/runtime LANG=fr_FR.UTF-8 "$@"
}

# Makes home $1, with the notes file $2 (if given) in Rappelix's data folder.
new_home() {
  local dir=$E2E_TMP/$1
  mkdir -p "$dir/home" "$dir/data/rapix" "$dir/config" "$dir/cache" "$dir/runtime"
  chmod 700 "$dir/runtime"
  [ -z "${2:-}" ] || cp "$2" "$dir/data/rapix/planifs.txt"
}

# How each program is quit, given its home and pid. xpad's first start keeps its one pad
# hidden behind the welcome window: shown before that start quits, it opens at later starts.
term() { kill "$2" 2>/dev/null || true; }
xpad_quit() { in_home "$1" "$xpad" --quit >/dev/null 2>&1 || true; }
xpad_show_quit() { in_home "$1" "$xpad" --show >/dev/null 2>&1; sleep 0.5; xpad_quit "$@"; }

# How many windows process $1 has on the screen, its tray icon aside (trayer holds that one).
windows_shown() {
  local root w n=0
  root=$(xwininfo -root | awk '/Window id:/ {print $4}')
  for w in $(xdotool search --all --onlyvisible --pid "$1" 2>/dev/null); do
    xwininfo -children -id "$w" | grep -q "Parent window id: $root " && n=$((n + 1))
  done
  echo "$n"
}

# One start in home $1, quit with function $2: prints "<milliseconds to the window> <RSS in
# KiB>". Then mapwait's options, "--", and the command. One second after its window, the
# program must show that window alone: no second window or dialog shares the start-up.
run_once() {
  local home=$1 quit=$2 out pid ms rss shown
  shift 2
  out=$(in_home "$home" "$mapwait" --timeout 60 --log "$E2E_TMP/$home.out" "$@" 2>"$E2E_TMP/$home.log") ||
    { cat "$E2E_TMP/$home.log" >&2; e2e_fail "$home: no window"; }
  read -r pid ms <<<"$out"
  E2E_PIDS+=("$pid")
  sleep 1
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  # What start-up must not load (image plugins, printing, networking): the memory margin is small.
  [ "$home" != rappelix ] || grep -cE '/imageformats/|libQt6PrintSupport|libQt6Network' "/proc/$pid/maps" >"$E2E_TMP/unneeded.txt" || true
  shown=$(windows_shown "$pid")
  "$quit" "$home" "$pid"
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "$home: still running 10 s after being asked to quit; killed" >&2
    kill -9 "$pid"
  fi
  [ "$shown" = 1 ] || e2e_fail "$home: $shown windows on the screen, not one"
  echo "$ms $rss"
}

rappelix_run() { run_once "$1" term --name Rappelix -- "${2:-$rappelix}"; }
xpad_run() { run_once xpad xpad_quit -- "$xpad"; }
bareqt_run() { run_once bareqt term --name "Bare Qt" -- "$bareqt"; }
# The same two on a desktop with a session bus (one bus for the whole benchmark, no service on it).
on_bus() { DBUS_SESSION_BUS_ADDRESS=$bus "$@"; }

# The starts that warm each home, not counted; they also bring the libraries into the page cache.
new_home rappelix "$E2E_TMP/notes-100.txt"
new_home big "$E2E_TMP/notes-100000.txt"
new_home xpad
new_home bareqt
rappelix_run rappelix >/dev/null
rappelix_run big >/dev/null
run_once xpad xpad_show_quit -- "$xpad" >/dev/null
bareqt_run >/dev/null

: >"$E2E_TMP/rappelix.txt"
: >"$E2E_TMP/xpad.txt"
: >"$E2E_TMP/bareqt.txt"
: >"$E2E_TMP/beside.txt"
for i in $(seq "$runs"); do
  r=$(rappelix_run rappelix)
  x=$(xpad_run)
  q=$(bareqt_run)
  rb=$(on_bus rappelix_run rappelix)
  qb=$(on_bus bareqt_run)
  echo "run $i: rappelix $r, xpad $x, bare Qt $q; on a session bus: rappelix $rb, bare Qt $qb (ms KiB)" >&2
  echo "$r" >>"$E2E_TMP/rappelix.txt"
  echo "$x" >>"$E2E_TMP/xpad.txt"
  echo "$q" >>"$E2E_TMP/bareqt.txt"
  echo "$rb" >>"$E2E_TMP/rappelix-bus.txt"
  echo "$qb" >>"$E2E_TMP/bareqt-bus.txt"
  if [ -n "${BESIDE:-}" ]; then
    s=$(rappelix_run rappelix "$BESIDE")
    echo "run $i: beside $s (ms KiB)" >&2
    echo "$s" >>"$E2E_TMP/beside.txt"
  fi
done

: >"$E2E_TMP/big.txt"
for i in $(seq "$bigRuns"); do
  b=$(rappelix_run big)
  echo "run $i with 100,000 notes: rappelix $b (ms KiB)" >&2
  echo "$b" >>"$E2E_TMP/big.txt"
done

# The medians of column $2 (1 start-up, 2 memory) of results file $1.
med() { cut -d' ' -f"$2" "$E2E_TMP/$1.txt" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
rStart=$(med rappelix 1) rRss=$(med rappelix 2)
xStart=$(med xpad 1) xRss=$(med xpad 2)
qStart=$(med bareqt 1) qRss=$(med bareqt 2)
echo "runs $runs"
echo "startup_rappelix_ms $rStart"
echo "startup_xpad_ms $xStart"
echo "startup_bareqt_ms $qStart"
echo "startup_ratio $(ratio "$rStart" "$xStart")"
echo "startup_ratio_bareqt $(ratio "$rStart" "$qStart")"
echo "startup_rappelix_bus_ms $(med rappelix-bus 1)"
echo "startup_bareqt_bus_ms $(med bareqt-bus 1)"
echo "startup_ratio_bareqt_bus $(ratio "$(med rappelix-bus 1)" "$(med bareqt-bus 1)")"
echo "rss_rappelix_kib $rRss"
echo "rss_xpad_kib $xRss"
echo "rss_bareqt_kib $qRss"
echo "rss_ratio $(ratio "$rRss" "$xRss")"
echo "rss_ratio_bareqt $(ratio "$rRss" "$qRss")"
echo "startup_unneeded_libraries $(cat "$E2E_TMP/unneeded.txt")"
if [ -n "${BESIDE:-}" ]; then
  echo "startup_beside_ms $(med beside 1)"
  echo "rss_beside_kib $(med beside 2)"
fi
echo "big_runs $bigRuns"
echo "startup_100000_ms $(med big 1)"
echo "rss_100000_kib $(med big 2)"
