#!/usr/bin/env bash
# Installs what is missing, builds Rappelix, makes its Debian package and installs it with apt:
# afterwards it is in the applications menu and starts as `rappelix`.
# Remove it with: sudo apt-get remove rappelix
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" build package
"$root/scripts/build.sh" -DRAPPELIX_TESTS=OFF
rm -rf "$build/package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/package"
deb=$(ls "$build"/package/rappelix_*.deb)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# --reinstall: a rebuilt package of the same version still replaces the installed one.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --reinstall "$deb"
echo "Rappelix est installé : lancez-le depuis le menu des applications, ou avec « rappelix »."
