#!/usr/bin/env bash
# Installs what is missing, builds and starts Rappelix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" build
"$root/scripts/build.sh" -DRAPPELIX_TESTS=OFF
exec "${BUILD_DIR:-$root/build}/src/rappelix"
