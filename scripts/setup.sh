#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages/<group>.txt for the groups given
# (all groups when none is given). Installs only what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
groups=("$@")
if [ ${#groups[@]} -eq 0 ]; then
  for f in "$here"/packages/*.txt; do groups+=("$(basename "$f" .txt)"); done
fi
wanted=()
for g in "${groups[@]}"; do
  while read -r pkg; do
    pkg=${pkg%%#*}; pkg=$(echo "$pkg" | xargs)
    [ -n "$pkg" ] && wanted+=("$pkg")
  done < "$here/packages/$g.txt"
done
missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
