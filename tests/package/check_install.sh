#!/usr/bin/env bash
# Installs the build into a scratch folder and checks what a desktop finds there: the program,
# its launcher, its icon and its AppStream description, with the freedesktop and AppStream
# validators.
#   check_install.sh <cmake> <build folder> <project version>
set -euo pipefail
cmake=$1 build=$2 version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }

dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
"$cmake" --install "$build" --prefix "$dest/usr" >/dev/null
share=$dest/usr/share

desktop=$share/applications/rappelix.desktop
metainfo=$share/metainfo/fr.rappelix.rappelix.metainfo.xml
[ -x "$dest/usr/bin/rappelix" ] || fail "no program in bin/"
[ -f "$desktop" ] || fail "no desktop entry"
[ -f "$metainfo" ] || fail "no AppStream description"
[ -f "$share/icons/hicolor/scalable/apps/rappelix.svg" ] || fail "no scalable icon"
[ -f "$share/icons/hicolor/48x48/apps/rappelix.png" ] || fail "no 48x48 icon"

echo "-- desktop-file-validate"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
value() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(value Name)" = Rappelix ] || fail "Name is '$(value Name)'"
[ "$(value Exec)" = rappelix ] || fail "Exec is '$(value Exec)'"
[ "$(value Icon)" = rappelix ] || fail "Icon is '$(value Icon)'"
[ "$(value Categories)" = "Utility;" ] || fail "Categories is '$(value Categories)'"
[ -n "$(value Comment)" ] || fail "no Comment"

echo "-- appstreamcli validate"
appstreamcli validate --no-net "$metainfo" || fail "the AppStream description is not valid"
appstreamcli validate-tree --no-net "$dest" || fail "the installed tree is not valid for AppStream"
grep -q '<launchable type="desktop-id">rappelix.desktop</launchable>' "$metainfo" ||
  fail "the AppStream description does not launch rappelix.desktop"
# The newest release named there is this version.
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n1 | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "the newest release is '$newest', the project is $version"
echo PASS
