#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Arguments go to CMake (CI adds
# -DCMAKE_COMPILE_WARNING_AS_ERROR=ON).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DRAPPELIX_TESTS=ON -DRAPPELIX_BENCH=ON "$@"
cd "${BUILD_DIR:-$root/build}"
ctest --output-on-failure
