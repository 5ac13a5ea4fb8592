#!/usr/bin/env bash
# On a desktop whose panel hosts StatusNotifierItems (a watcher of the test's own on a private
# session bus), the tray icon exports its menu: the watcher reads its three entries over D-Bus.
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

e2e_start_display
labels=$E2E_TMP/menu.jsonl
e2e_start_app dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/../e2e/fake_desktop.py" watcher "$labels" -- "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
e2e_until 10 test -s "$labels" || e2e_fail "no tray item registered"
[ "$(cat "$labels")" = '["_Nouvelle", "_Restaurer", " _Quitter"]' ] || e2e_fail "the exported menu is $(cat "$labels")"
e2e_quit "$main"
echo PASS
