#!/usr/bin/env bash
# The Debian package as a user gets it: built with cpack, free of lintian errors, installed with
# apt, the installed /usr/bin/rappelix started on a private display until its main window shows,
# quit from its menu, removed with apt with whatever apt brought in: the machine is left as it was.
#   e2e_package.sh <program in the build> <cpack> <build folder>
# Installing needs root: as anyone else the test is skipped (exit code 77).
set -euo pipefail
cpack=$2 build=$3
skip() { echo "SKIP: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root; run the tests as root to include it"
command -v apt-get >/dev/null || skip "no apt-get on this machine"
command -v dpkg-shlibdeps >/dev/null || skip "no dpkg-shlibdeps (dpkg-dev) to compute the dependencies"
# A Rappelix already installed here stays as it is. A package removed but not purged is
# "deinstall ok config-files": only "ok installed" counts.
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
! installed rappelix || skip "a rappelix package is already installed; remove it to run this test"
[ ! -e /usr/bin/rappelix ] || skip "/usr/bin/rappelix exists outside any package"

. "$(dirname "$0")/../e2e/lib.sh"

# apt reads the package as its own unprivileged user: the folder must be readable.
PKG_DIR=$(mktemp -d)
chmod 755 "$PKG_DIR"
PKG_INSTALLED=()
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=300 "$@"; }

# Removes what the test installed (also when it fails half-way), then the usual clean-up.
package_cleanup() {
  local left=()
  for pkg in "${PKG_INSTALLED[@]}"; do
    installed "$pkg" && left+=("$pkg")
  done
  [ ${#left[@]} -eq 0 ] || apt_get purge "${left[@]}" >"$PKG_DIR/cleanup.log" 2>&1 || true
  rm -rf "$PKG_DIR"
}
trap 'e2e_cleanup; package_cleanup' EXIT

e2e_log "cpack -G DEB"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$PKG_DIR" >"$PKG_DIR/cpack.log" 2>&1 ||
  { cat "$PKG_DIR/cpack.log" >&2; e2e_fail "cpack failed"; }
deb=$(ls "$PKG_DIR"/rappelix_*.deb)
e2e_log "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
for dep in libqt6widgets6 libqt6printsupport6; do
  dpkg-deb -f "$deb" Depends | grep -q "$dep" || e2e_fail "the dependencies miss $dep"
done
for field in Maintainer Section Description; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || e2e_fail "no $field"
done
lintian --fail-on error "$deb" || e2e_fail "lintian finds errors in $(basename "$deb")"

# What apt is about to install, so that exactly that is removed at the end.
mapfile -t PKG_INSTALLED < <(apt-get install -s -q -y "$deb" 2>/dev/null | awk '/^Inst / {print $2}')
[ "${PKG_INSTALLED[0]:-}" ] || e2e_fail "apt would install nothing"
e2e_log "apt-get install ${PKG_INSTALLED[*]}"
apt_get install "$deb" >"$PKG_DIR/install.log" 2>&1 || { cat "$PKG_DIR/install.log" >&2; e2e_fail "apt-get install failed"; }
dpkg-query -W -f='${Status}' rappelix | grep -q 'install ok installed' || e2e_fail "rappelix is not installed"
for f in /usr/bin/rappelix /usr/lib/rappelix/rappelix_print.so /usr/share/applications/rappelix.desktop \
  /usr/share/icons/hicolor/scalable/apps/rappelix.svg /usr/share/metainfo/fr.rappelix.rappelix.metainfo.xml; do
  [ -e "$f" ] || e2e_fail "$f is not installed"
done

e2e_log "the installed program shows its main window, and \"Quitter\" ends it"
e2e_start_display
e2e_start_app /usr/bin/rappelix
win=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
e2e_quit "$win"

e2e_log "apt-get purge ${PKG_INSTALLED[*]}"
apt_get purge "${PKG_INSTALLED[@]}" >"$PKG_DIR/remove.log" 2>&1 || { cat "$PKG_DIR/remove.log" >&2; e2e_fail "apt-get purge failed"; }
for pkg in "${PKG_INSTALLED[@]}"; do
  ! installed "$pkg" || e2e_fail "$pkg is still installed"
done
for f in /usr/bin/rappelix /usr/share/applications/rappelix.desktop; do
  [ ! -e "$f" ] || e2e_fail "$f is left behind"
done
echo PASS
