#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer, UBSan and LeakSanitizer into build-asan/
# (or ASAN_BUILD_DIR) and runs it. Every report goes to a file of its own; the script prints
# how many there were and fails on any. Arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ASAN_BUILD_DIR:-$root/build-asan}
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DRAPPELIX_TESTS=ON -DRAPPELIX_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"

logs=$build/sanitizer-reports
rm -rf "$logs" && mkdir -p "$logs"
# Leaks are only suppressed inside system libraries (see the file); never in our code.
# The alert's end-to-end test preloads libfaketime, hence no check of the link order.
export ASAN_OPTIONS="log_path=$logs/asan:detect_leaks=1:verify_asan_link_order=0:detect_stack_use_after_return=1:check_initialization_order=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="log_path=$logs/ubsan:print_stacktrace=1:halt_on_error=1"

cd "$build"
status=0
ctest --output-on-failure || status=$?
reports=$(find "$logs" -type f | wc -l)
echo "sanitizers: $reports reports (AddressSanitizer, UBSan, LeakSanitizer)"
if [ "$reports" -ne 0 ]; then
  for f in "$logs"/*; do echo "== $f"; head -60 "$f"; done
  exit 1
fi
exit "$status"
