#!/usr/bin/env bash
# Builds the benchmarks and the program, runs them all (the start-up benchmark under Xvfb
# beside xpad and a bare Qt window) and prints one table of the figures against their targets,
# in Markdown.
#   bash bench/run.sh            (BUILD_DIR=build-bench by default; RUNS=21 start-ups each)
# The raw outputs stay in <build>/bench/results/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
runs=${RUNS:-21}
bigRuns=${BIG_RUNS:-5}
reps=${REPETITIONS:-5}

"$root/scripts/setup.sh" build test bench >&2
cmake -S "$root" -B "$build" -G Ninja -DRAPPELIX_BENCH=ON >&2
cmake --build "$build" -j"$(nproc)" --target rappelix bench_store bench_alert bench_print bench_typing \
  bench_stall fsyncdelay makenotes mapwait bareqt clockstep >&2

out=$build/bench/results
mkdir -p "$out"
: >"$out/bench.csv"
for b in bench_store bench_alert bench_print bench_typing; do
  echo "== $b" >&2
  QT_QPA_PLATFORM=offscreen "$build/bench/$b" --benchmark_repetitions="$reps" \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>"$out/$b.log" |
    tee "$out/$b.csv" | grep '_median"' >>"$out/bench.csv"
done
echo "== stall" >&2
QT_QPA_PLATFORM=offscreen LD_PRELOAD="$build/bench/libfsyncdelay.so" "$build/bench/bench_stall" \
  2>"$out/bench_stall.log" | tee "$out/stall.txt" >&2
echo "== start-up" >&2
bash "$root/bench/startup.sh" "$build" "$runs" "$bigRuns" 2>"$out/startup.log" | tee "$out/startup.txt" >&2
echo "== clock jump" >&2
bash "$root/bench/clockjump.sh" "$build" 30 2>"$out/clockjump.log" | tee "$out/clockjump.txt" >&2

# The median of a benchmark in milliseconds: ms NAME (as BM_Encode/100).
ms() {
  awk -F, -v n="\"$1_median\"" '$1 == n {
    t = $3; u = $5
    if (u == "ns") t /= 1e6; else if (u == "us") t /= 1e3; else if (u == "s") t *= 1e3
    printf "%.4f", t; found = 1 }
    END { if (!found) exit 1 }' "$out/bench.csv"
}
su() { awk -v k="$1" '$1 == k { print $2 }' "$out/startup.txt"; }
st() { awk -v k="$1" '$1 == k { print $2 }' "$out/stall.txt"; }

fmt() { awk -v v="$1" 'BEGIN { if (v >= 100) printf "%.0f", v; else if (v >= 1) printf "%.1f", v; else printf "%.2g", v }'; }
check() { awk -v v="$1" -v op="$2" -v t="$3" 'BEGIN { ok = (op == "<" ? v < t : v <= t); print (ok ? "yes" : "**no**") }'; }

row() { # label, value, unit, op, target, target text
  echo "| $1 | $(fmt "$2") $3 | $4 $6 | $(check "$2" "$4" "$5") |"
}
info() { echo "| $1 | $(fmt "$2") $3 | – | |"; }
linear() { # label, benchmark name without size
  local a b
  a=$(ms "$2/10000")
  b=$(ms "$2/100000")
  row "$1: 100,000 / 10,000" "$(awk -v a="$a" -v b="$b" 'BEGIN { print b / a }')" "×" "≤" 12 "12 ×"
}

rs=$(su startup_rappelix_ms)
xs=$(su startup_xpad_ms)
rr=$(su rss_rappelix_kib)
xr=$(su rss_xpad_kib)
qs=$(su startup_bareqt_ms)
qr=$(su rss_bareqt_kib)
mib() { awk -v k="$1" 'BEGIN { print k / 1024 }'; }
echo
echo "| Measure | Figure | Target | Met |"
echo "|---|---|---|---|"
info "Start-up to the main window, 100 notes (median of $runs)" "$rs" ms
info "xpad, start-up to its pad, home already used (median of $runs)" "$xs" ms
info "Bare Qt window (table view, button), start-up (median of $runs)" "$qs" ms
row "Start-up, Rappelix / xpad" "$(su startup_ratio)" "×" "≤" 0.6 "0.6 ×"
row "Start-up, Rappelix / bare Qt, no session bus" "$(su startup_ratio_bareqt)" "×" "≤" 1.15 "1.15 ×"
info "Start-up to the main window with a session bus (median of $runs)" "$(su startup_rappelix_bus_ms)" ms
info "Bare Qt window with a session bus (median of $runs)" "$(su startup_bareqt_bus_ms)" ms
row "Start-up, Rappelix / bare Qt, with a session bus" "$(su startup_ratio_bareqt_bus)" "×" "≤" 1.15 "1.15 ×"
info "Resident memory 1 s after the window, 100 notes" "$(mib "$rr")" MiB
info "xpad, resident memory 1 s after its window" "$(mib "$xr")" MiB
info "Bare Qt window, resident memory 1 s after it" "$(mib "$qr")" MiB
row "Resident memory, Rappelix / bare Qt" "$(su rss_ratio_bareqt)" "×" "≤" 1.15 "1.15 ×"
row "Resident memory, Rappelix / xpad" "$(su rss_ratio)" "×" "≤" 0.85 "0.85 ×"
row "Libraries mapped at start-up that it does not need (image plugins, printing, network)" "$(su startup_unneeded_libraries)" "" "≤" 0 "0"
row "A note due at 10h15 on screen, red, after the wall clock jumps from 9:00 to 10:20 (30 s at most waited)" \
  "$(awk '$1 == "clockjump_s" { print $2 }' "$out/clockjump.txt")" s "≤" 2 "2 s"
row "Start-up to the main window, 100,000 notes (median of $bigRuns)" "$(su startup_100000_ms)" ms "<" 1000 "1000 ms"
info "Resident memory, 100,000 notes" "$(mib "$(su rss_100000_kib)")" MiB
row "Read 100 notes, without the disk (decode)" "$(ms BM_Decode/100)" ms "<" 1 "1 ms"
row "Write 100 notes, without the flush (encode)" "$(ms BM_Encode/100)" ms "<" 1 "1 ms"
info "Read 100 notes from the file" "$(ms BM_ReadFile/100)" ms
info "Write 100 notes to the file, flushed to disk" "$(ms BM_WriteFile/100)" ms
info "Read 10,000 notes, without the disk" "$(ms BM_Decode/10000)" ms
info "Write 10,000 notes, without the flush" "$(ms BM_Encode/10000)" ms
row "Read 100,000 notes, without the disk" "$(ms BM_Decode/100000)" ms "<" 150 "150 ms"
row "Write 100,000 notes, without the flush" "$(ms BM_Encode/100000)" ms "<" 150 "150 ms"
info "Read 100,000 notes from the file" "$(ms BM_ReadFile/100000)" ms
info "Write 100,000 notes to the file, flushed to disk" "$(ms BM_WriteFile/100000)" ms
row "Alert walk at a quarter hour, 100,000 notes" "$(ms BM_AlertWalk/100000)" ms "<" 10 "10 ms"
info "Whole quarter-hour tick (walk and write), 100,000 notes" "$(ms BM_AlertTick/100000)" ms
info "Print text, 100,000 notes" "$(ms BM_PrintText/100000)" ms
row "Keystroke to the table, model and list, 100,000 notes" "$(ms BM_TypingTable/100000)" ms "<" 0.1 "0.1 ms"
info "Keystroke in the note window's text box, 100,000 notes" "$(ms BM_TypingNoteWindow/100000)" ms
info "Keystroke with both windows repainted, 100,000 notes" "$(ms BM_TypingRepaint/100000)" ms
row "Longest GUI-thread stall while another computer's version of 100,000 notes is merged, typing meanwhile" "$(st gui_stall_merge_ms)" ms "≤" 50 "50 ms"
info "The merge's whole work (read, merge, table), 100,000 notes, most of it on a thread of its own" "$(ms BM_MergeOutside/100000)" ms
info "From the version's arrival to the list holding it (1 s of it waits for the file to be still)" "$(st merge_after_ms)" ms
row "Longest GUI-thread stall while typing during a write of 100,000 notes, every fsync 1 s late" "$(st gui_stall_ms)" ms "≤" 16 "16 ms"
info "The same, with the encoding of the 100,000 notes on the GUI thread before the hand-over" "$(st gui_stall_with_encode_ms)" ms
info "Main window built, loaded and painted in process, 100,000 notes" "$(ms BM_MainWindowLoad/100000)" ms
row "\"Voir\" on a note of 1 MB on one line, window painted" "$(ms BM_OpenLongNote/0/iterations:3)" ms "<" 1000 "1000 ms"
info "\"Voir\" on a note of 1 MB of words, window painted" "$(ms BM_OpenLongNote/1/iterations:3)" ms
row "A key in a note of 1 MB on one line, window repainted" "$(ms BM_TypingLongNote/0/iterations:20)" ms "≤" 50 "50 ms"
row "A key in a note of 1 MB of words in one paragraph, window repainted" "$(ms BM_TypingLongNote/1/iterations:20)" ms "≤" 50 "50 ms"
linear "Read (decode)" BM_Decode
linear "Write (encode)" BM_Encode
linear "Read from the file" BM_ReadFile
linear "Write to the file" BM_WriteFile
linear "Alert walk" BM_AlertWalk
linear "Print text" BM_PrintText
linear "Main window loaded in process" BM_MainWindowLoad
