#!/usr/bin/env bash
# Fuzzes the notes-file reader for SECONDS seconds (default 60) with libFuzzer, then loads every
# seed and up to 60 corpus entries blown up to 1 MB (a reader with a quadratic path fails the
# time check there). Prints the executions and the findings; exits non-zero on any finding.
#   bash scripts/fuzz.sh 600
# The build goes to build-fuzz/ (or FUZZ_BUILD_DIR); the grown corpus stays in it between runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}

"$root/scripts/setup.sh" build reliability
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j2 >/dev/null

corpus=$build/corpus-run
findings=$build/findings
mkdir -p "$corpus" "$findings"
before=$(find "$findings" -type f | wc -l)
log=$build/fuzz.log
# Small allocation stacks keep the run fast; detection is unchanged.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=4:quarantine_size_mb=16:max_malloc_fill_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
"$build/fuzz_notes" -max_total_time="$seconds" -max_len=2048 -timeout=10 -rss_limit_mb=2048 \
  -dict="$root/fuzz/notes.dict" -print_final_stats=1 -artifact_prefix="$findings/" \
  "$corpus" "$root/fuzz/corpus" >"$log" 2>&1 || status=$?
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)

# The scaling pass: every seed, and a sample of the grown corpus, repeated up to 1 MB.
big=$build/corpus-1mb
rm -rf "$big" && mkdir -p "$big"
n=0
while IFS= read -r -d '' f; do
  [ -s "$f" ] || continue
  out=$big/$(basename "$f")
  cp "$f" "$out"
  while [ "$(stat -c %s "$out")" -lt 1048576 ]; do cat "$out" "$out" >"$out.2" && mv "$out.2" "$out"; done
  truncate -s 1048576 "$out"
  n=$((n + 1))
done < <( (find "$root/fuzz/corpus" -type f -print0; find "$corpus" -type f -print0 | head -z -n 60) )
scaled=0
"$build/fuzz_notes" -timeout=10 -rss_limit_mb=4096 -artifact_prefix="$findings/" "$big"/* \
  >"$build/fuzz-1mb.log" 2>&1 || scaled=$?
slowest=$(sed -n 's/^Executed .* in \([0-9]*\) ms$/\1/p' "$build/fuzz-1mb.log" | sort -n | tail -1)

# A run stopped from outside (SIGINT, SIGTERM) found nothing; say so rather than count it.
if [ "$status" -ne 0 ] && [ "$scaled" -eq 0 ] && grep -q "libFuzzer: run interrupted" "$log"; then
  echo "fuzz: interrupted after ${execs:-0} executions, 0 findings" >&2
  exit 2
fi
after=$(find "$findings" -type f | wc -l)
found=$((after - before))
if [ "$status" -ne 0 ] || [ "$scaled" -ne 0 ]; then
  [ "$found" -eq 0 ] && found=1
fi
echo "fuzz: ${execs:-0} executions in ${seconds} s, $n inputs of 1 MB checked (slowest ${slowest:-?} ms), $found findings"
if [ "$found" -ne 0 ]; then
  echo "fuzz: see $log and $build/fuzz-1mb.log; inputs in $findings/" >&2
  grep -E "property broken|ERROR|SUMMARY" "$log" "$build/fuzz-1mb.log" | head -20 >&2 || true
  exit 1
fi
