#!/usr/bin/env bash
# The Debian package: free of lintian errors and warnings; unpacked, its printing module and icons
# in place, its launcher and AppStream tree valid, its program runs.
#   package.sh <cpack> <build folder> <project version>
set -euo pipefail
cpack=$1 build=$2 version=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$dir" >"$dir/cpack.log" 2>&1 || { cat "$dir/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$dir"/rappelix_*.deb)
echo "-- $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
lintian --fail-on error,warning "$deb" || fail "lintian finds errors or warnings"
dpkg-deb -x "$deb" "$dir/root"
for f in usr/lib/rappelix/rappelix_print.so usr/share/icons/hicolor/{scalable/apps/rappelix.svg,48x48/apps/rappelix.png}; do
  [ -e "$dir/root/$f" ] || fail "/$f is not in the package"
done
desktop-file-validate "$dir/root/usr/share/applications/rappelix.desktop" || fail "the launcher is not valid"
appstreamcli validate-tree --no-net "$dir/root" || fail "the AppStream tree is not valid"
newest=$(grep -o '<release version="[^"]*"' "$dir/root/usr/share/metainfo/fr.rappelix.rappelix.metainfo.xml" | head -n1)
[ "$newest" = "<release version=\"$version\"" ] || fail "the newest release is $newest, the project is $version"
[ "$(env -u DISPLAY "$dir/root/usr/bin/rappelix" --version)" = "Rappelix $version" ] || fail "the packaged program does not run"
echo PASS
