#!/usr/bin/env bash
# Two computers, one list: two Rappelix on two displays, each with its own data folder, the two
# folders joined by two real Syncthing instances on 127.0.0.1 (no discovery, relays or NAT).
# Four rounds, each made on both sides within a second: a note added on each side, different
# notes edited, the same note typed on both sides, a note removed on one side and edited on the
# other. After each round both engines must be idle with both planifs.txt byte-identical; at the
# end the file holds exactly the records written below, as literals.
E2E_WM=1
. "$(dirname "$0")/lib.sh"
bin=$1
command -v syncthing >/dev/null || e2e_fail "syncthing is not installed (bash scripts/setup.sh test)"

FOLDER=rapix-notes # the shared folder's ID, the same on both sides
# Generous deadlines: a loaded 2-core machine.
T_WINDOW=30 T_WRITE=15 T_SYNC=90

# --- two homes -------------------------------------------------------------------------------
declare -A DISP MAIN DATA GUI LISTEN KEY ID
for s in A B; do
  mkdir -p "$E2E_TMP/$s/data/rapix" "$E2E_TMP/$s/config" "$E2E_TMP/$s/runtime" "$E2E_TMP/$s/home" "$E2E_TMP/$s/st"
  chmod 700 "$E2E_TMP/$s/runtime"
  DATA[$s]="$E2E_TMP/$s/data/rapix"
  KEY[$s]="e2e-sync-key-$s-$RANDOM$RANDOM"
done

# Ports free now on 127.0.0.1, four different ones (the kernel picks them).
read -r GUI[A] GUI[B] LISTEN[A] LISTEN[B] <<<"$(python3 - <<'EOF'
import socket
socks = [socket.socket() for _ in range(4)]
for s in socks:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in socks))
EOF
)"

for s in A B; do
  syncthing generate --home="$E2E_TMP/$s/st" --no-default-folder >"$E2E_TMP/$s/generate.log" 2>&1 ||
    e2e_fail "syncthing generate failed: $(cat "$E2E_TMP/$s/generate.log")"
  ID[$s]=$(sed -n 's/.*Device ID: *\([A-Z0-9-]*\).*/\1/p' "$E2E_TMP/$s/generate.log")
  [ -n "${ID[$s]}" ] || e2e_fail "no device ID from syncthing generate: $(cat "$E2E_TMP/$s/generate.log")"
done

# Each config.xml set before the first start: loopback only, nothing reported, the other device
# at its explicit address, the data folder shared with a short watch delay.
st_config() { # side, other side
  python3 - "$E2E_TMP/$1/st/config.xml" "${ID[$1]}" "${ID[$2]}" "$1" "$2" "${GUI[$1]}" "${KEY[$1]}" \
    "${LISTEN[$1]}" "${LISTEN[$2]}" "${DATA[$1]}" "$FOLDER" <<'EOF'
import copy, sys, xml.etree.ElementTree as ET
path, me, other, myname, othername, gui, key, listen, otherlisten, data, folder = sys.argv[1:]
tree = ET.parse(path)
root = tree.getroot()
def sub(parent, tag, text=None, **attrs):
    e = ET.SubElement(parent, tag, attrs)
    if text is not None:
        e.text = text
    return e
g = root.find("gui")
g.find("address").text = "127.0.0.1:" + gui
g.find("apikey").text = key
o = root.find("options")
values = {
    "listenAddress": "tcp://127.0.0.1:" + listen,
    "globalAnnounceEnabled": "false", "localAnnounceEnabled": "false",
    "relaysEnabled": "false", "natEnabled": "false", "urAccepted": "-1",
    "autoUpgradeIntervalH": "0", "crashReportingEnabled": "false", "startBrowser": "false",
    "reconnectionIntervalS": "1", "setLowPriority": "false",
}
for tag, text in values.items():
    e = o.find(tag)
    if e is None:
        e = sub(o, tag)
    e.text = text
for e in o.findall("globalAnnounceServer"):
    o.remove(e)
sub(o, "globalAnnounceServer", "")
for d in root.findall("device"):
    d.set("name", myname)
d = copy.deepcopy(root.find("defaults/device"))
d.attrib.update(id=other, name=othername)
d.find("address").text = "tcp://127.0.0.1:" + otherlisten
root.insert(list(root).index(root.find("device")) + 1, d)
# The folder as Syncthing's own defaults make one (conflict copies kept, ...), with a short
# watch delay and rescan interval.
f = copy.deepcopy(root.find("defaults/folder"))
f.attrib.update(id=folder, label="rapix", path=data, rescanIntervalS="10", fsWatcherEnabled="true",
                fsWatcherDelayS="1")
for e in f.findall("device"):
    f.remove(e)
for i, dev in enumerate((me, other)):
    f.insert(1 + i, ET.Element("device", id=dev, introducedBy=""))
root.insert(0, f)
tree.write(path)
EOF
}
st_config A B || e2e_fail "could not write A's syncthing config"
st_config B A || e2e_fail "could not write B's syncthing config"
# The folder marker Syncthing looks for in a shared folder's root.
for s in A B; do mkdir -p "${DATA[$s]}/.stfolder"; done

# The same four notes on A only, before anything runs: B gets them through Syncthing.
printf '%s\r\n' \
  '"Le 01/12 '$'\xe0'' 10:00","Avoine","",""' \
  '"Le 01/12 '$'\xe0'' 10:01","Beurre","",""' \
  '"Le 01/12 '$'\xe0'' 10:02","Cerises","",""' \
  '"Le 01/12 '$'\xe0'' 10:03","Dattes","",""' >"${DATA[A]}/planifs.txt"
seeded=$(e2e_hex "${DATA[A]}/planifs.txt")

for s in A B; do
  STNODEFAULTFOLDER=1 STNOUPGRADE=1 syncthing serve --home="$E2E_TMP/$s/st" --no-browser --no-restart \
    --no-upgrade >"$E2E_TMP/$s/syncthing.log" 2>&1 &
  E2E_PIDS+=($!)
done

# --- the engines' REST status ----------------------------------------------------------------
rest() { curl -sf --max-time 5 -H "X-API-Key: ${KEY[$1]}" "http://127.0.0.1:${GUI[$1]}$2"; }
other() { [ "$1" = A ] && echo B || echo A; }
connected() { rest "$1" /rest/system/connections | jq -e --arg id "${ID[$(other "$1")]}" '.connections[$id].connected' >/dev/null; }
# Idle, nothing needed from the other, and the other has everything of ours. Prints the folder's
# local sequence, which moves whenever this side indexes a change.
settled() {
  local st comp
  st=$(rest "$1" "/rest/db/status?folder=$FOLDER") || return 1
  comp=$(rest "$1" "/rest/db/completion?folder=$FOLDER&device=${ID[$(other "$1")]}") || return 1
  jq -e '.state == "idle" and .needTotalItems == 0 and .pullErrors == 0' <<<"$st" >/dev/null || return 1
  jq -e '.completion == 100 and .needItems == 0' <<<"$comp" >/dev/null || return 1
  jq -r '"\(.sequence) \(.globalFiles)"' <<<"$st"
}
# Both connected and settled, both planifs.txt byte-identical, and all of it unchanged for four
# seconds (more than the watch delay: a write not yet scanned would show by then).
SYNC_SEEN="" SYNC_SINCE=0
in_sync() {
  local a b now
  connected A && connected B || { SYNC_SEEN=""; return 1; }
  a=$(settled A) && b=$(settled B) || { SYNC_SEEN=""; return 1; }
  cmp -s "${DATA[A]}/planifs.txt" "${DATA[B]}/planifs.txt" || { SYNC_SEEN=""; return 1; }
  now="$a|$b|$(e2e_hex "${DATA[A]}/planifs.txt" | md5sum)"
  [ "$now" = "$SYNC_SEEN" ] || { SYNC_SEEN=$now SYNC_SINCE=$SECONDS; return 1; }
  [ $((SECONDS - SYNC_SINCE)) -ge 4 ]
}
wait_sync() { # what was just done
  SYNC_SEEN=""
  e2e_until "$T_SYNC" in_sync && return 0
  for s in A B; do
    echo "-- $s: $(rest "$s" "/rest/db/status?folder=$FOLDER" | jq -c '{state, needTotalItems, pullErrors, sequence}' 2>/dev/null)" >&2
    echo "-- $s planifs.txt:" >&2
    cat -v "${DATA[$s]}/planifs.txt" >&2 || true
    echo "-- $s syncthing log:" >&2
    tail -n 15 "$E2E_TMP/$s/syncthing.log" >&2
  done
  e2e_fail "after $1: the engines did not settle with both planifs.txt identical within ${T_SYNC} s"
}

e2e_until "$T_SYNC" eval 'connected A && connected B' || {
  tail -n 20 "$E2E_TMP/A/syncthing.log" "$E2E_TMP/B/syncthing.log" >&2
  e2e_fail "the two syncthing instances did not connect"
}
wait_sync "the first sync"
[ "$(e2e_hex "${DATA[B]}/planifs.txt")" = "$seeded" ] || e2e_fail "B did not receive the seeded notes"

# --- two Rappelix on two displays ------------------------------------------------------------
declare -A APP
# on SIDE: this side's display and homes for the commands that follow.
on() {
  export DISPLAY=${DISP[$1]} XDG_DATA_HOME="$E2E_TMP/$1/data" XDG_CONFIG_HOME="$E2E_TMP/$1/config"
  export XDG_RUNTIME_DIR="$E2E_TMP/$1/runtime" HOME="$E2E_TMP/$1/home"
  main=${MAIN[$1]:-}
}
# A failure tells what each program said.
eval "e2e_fail_alone() $(declare -f e2e_fail | tail -n +2)"
e2e_fail() { tail -n 10 "$E2E_TMP"/[AB]/app.log >&2 2>/dev/null; e2e_fail_alone "$@"; }

for s in A B; do
  e2e_start_display
  DISP[$s]=$DISPLAY
  on $s
  LANG=fr_FR.UTF-8 "$bin" >"$E2E_TMP/$s/app.log" 2>&1 &
  APP[$s]=$!
  E2E_PIDS+=($!)
  MAIN[$s]=$(e2e_wait_window '^Rappelix$' "$T_WINDOW") || e2e_fail "no main window on $s"
done

note_windows() { xdotool search --onlyvisible --name '^Le [0-9][0-9]/[0-9][0-9] ' 2>/dev/null || true; }
count_notes() { [ "$(note_windows | grep -c .)" -eq "$1" ]; }
has() { LC_ALL=C grep -qF -- "$2" "${DATA[$1]}/planifs.txt"; }
lacks() { ! has "$@"; }

# The program's message boxes on this side's display: its other visible windows titled Rappelix.
boxes() {
  local w
  for w in $(xdotool search --onlyvisible --name '^Rappelix$' 2>/dev/null); do [ "$w" = "$main" ] || echo "$w"; done
}
# A person reads what the program tells and presses Entrée (OK).
# (Counted in files: this runs in command substitutions too.)
told() { ls "$E2E_TMP/$1"/told.* 2>/dev/null | wc -l; }
read_boxes() { # side
  local w n
  on "$1"
  for w in $(boxes); do
    n=$(($(told "$1") + 1))
    touch "$E2E_TMP/$1/told.$n"
    echo "-- program $1 told something" >&2
    xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w"
    xdotool key Return
    e2e_until "$T_WINDOW" eval '! e2e_viewable "$w"' || e2e_fail "the message box on $1 did not close"
  done
}

# A click, never within a second of the last one on that display: two at one spot that close are a
# double click, which on the list shows a note. (The time is kept in a file: this runs in command
# substitutions too.)
click_apart() { [ $(($(date +%s%N) - $(cat "$E2E_TMP/$1/click" 2>/dev/null || echo 0))) -gt 1000000000 ]; }
click() { # side, then xdotool's mousemove arguments
  local side=$1
  shift
  e2e_until 5 click_apart "$side"
  xdotool mousemove "$@" click 1
  date +%s%N >"$E2E_TMP/$side/click"
}
# "Nouvelle" (92 px right, 196 px down from the main window's corner), then the text typed in the
# new note window, left open.
new_note() { # side, text
  read_boxes "$1"
  xdotool windowactivate --sync "$main"
  set -- "$1" "$2" $(xwininfo -id "$main" | awk '/Absolute upper-left [XY]/ {printf "%d ", $4}')
  click "$1" $(($3 + 92)) $(($4 + 196))
  e2e_until "$T_WINDOW" count_notes 1 || e2e_fail "no note window on $1"
  typein "$1" "$(note_windows)" "$2"
}
# The note whose text starts with letter $2 chosen in the list by typing that letter (a click on
# the list's first row gives it the focus; Ctrl+Début makes the text column current).
choose_note() { # side, letter
  read_boxes "$1"
  xdotool windowactivate --sync "$main"
  click "$1" --window "$main" 300 60
  xdotool key ctrl+Home "$2"
}
# Chosen, then shown with Entrée: prints its window, which must bear the creation stamp $3.
show_note() { # side, letter, stamp
  choose_note "$1" "$2"
  xdotool key Return
  local w
  w=$(e2e_wait_window "^Le $3\$" "$T_WINDOW") ||
    e2e_fail "the note '$2' did not open on $1 (windows: $(for w in $(note_windows); do xdotool getwindowname "$w"; done))"
  echo "$w"
}
typein() { # side, window, text: typed at the end of the text box
  on "$1"
  xdotool windowactivate --sync "$2"
  xdotool key ctrl+End
  xdotool type --delay 15 "$3"
  e2e_wait_typed "$3"
}
# The two keys at once, one on each display, to the windows that have the focus there: A's, then
# B's (each key writes the file). Prints how far apart they went, in milliseconds.
# Window $2 of side $1 has the focus, once any message box that came meanwhile is read.
focused() {
  read_boxes "$1"
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$2" ] && return 0
  xdotool windowactivate --sync "$2" 2>/dev/null || xdotool windowfocus --sync "$2" 2>/dev/null
  return 1
}
both_keys() { # A's window, A's key, B's window, B's key
  local t0 t1
  e2e_until "$T_WINDOW" focused A "$1" || e2e_fail "A's window $1 does not have the focus"
  e2e_until "$T_WINDOW" focused B "$3" || e2e_fail "B's window $3 does not have the focus"
  t0=$(date +%s%N)
  DISPLAY=${DISP[A]} xdotool key --clearmodifiers "$2"
  DISPLAY=${DISP[B]} xdotool key --clearmodifiers "$4"
  t1=$(date +%s%N)
  echo "   (the two keys $(((t1 - t0) / 1000000)) ms apart)" >&2
  [ $(((t1 - t0) / 1000000)) -lt 1000 ] || e2e_fail "the two keys went more than a second apart"
}
closed() { # the note windows of both sides are gone
  for s in A B; do on $s; e2e_until "$T_WINDOW" count_notes 0 || e2e_fail "a note window on $s did not close"; done
}
written() { # side, text: the side's own planifs.txt has it, soon
  e2e_until "$T_WRITE" has "$1" "$2" || e2e_fail "$1 did not write '$2': $(cat -v "${DATA[$1]}/planifs.txt")"
}

minute() { date '+%d/%m %H:%M'; }

echo "-- a note added on each side within a second"
m1=$(minute)
new_note A 'Encore sur A'
wa=$(note_windows)
new_note B 'Encore sur B'
wb=$(note_windows)
both_keys "$wa" alt+F4 "$wb" alt+F4 # the close box writes the file
m2=$(minute)
written A 'Encore sur A'
written B 'Encore sur B'
closed
wait_sync "the notes added on both sides"

# A note typed on each side (first letter, stamp, typed, whole text), both closed at once: the
# close box writes the file.
edit_both() {
  wa=$(show_note A "$1" "$2")
  typein A "$wa" "$3"
  wb=$(show_note B "$5" "$6")
  typein B "$wb" "$7"
  both_keys "$wa" alt+F4 "$wb" alt+F4
  written A "$4"
  written B "$8"
  closed
}

echo "-- different notes edited on both sides within a second"
edit_both A '01/12 .* 10:00' ' du matin' 'Avoine du matin' B '01/12 .* 10:01' ' doux' 'Beurre doux'
wait_sync "the edits of different notes"

echo "-- a note removed on A while B edits it, within a second"
# "Supprimer" takes the row out of the list; the file follows at the next write, here the close
# of another note's window on A, at the same moment as B's close.
wb=$(show_note B D '01/12 .* 10:03')
typein B "$wb" ' sucrees'
choose_note A D
on A
xdotool key Delete # "Supprimer"
wa=$(show_note A A '01/12 .* 10:00')
both_keys "$wa" alt+F4 "$wb" alt+F4
# A's removal on disk, or B's edit there already: on a loaded machine B's version can come in
# before A's write is seen, and the edited note is kept over the removal.
e2e_until "$T_WRITE" eval "lacks A '10:03\"' || has A 'Dattes sucrees'" ||
  e2e_fail "A wrote neither the removal nor B's edit: $(cat -v "${DATA[A]}/planifs.txt")"
written B 'Dattes sucrees'
closed
wait_sync "a removal on A and an edit on B"

# Last, as what it tells comes after it: the same note typed on both sides.
echo "-- the same note typed on both sides within a second"
edit_both C '01/12 .* 10:02' ' noires' 'Cerises noires' C '01/12 .* 10:02' ' rouges' 'Cerises rouges'
wait_sync "the same note typed on both sides"

# What each program still holds goes to disk: A quits ("Quitter" writes), the engines settle and
# B takes A's last version in, then B quits, and the engines settle again.
echo "-- A quits, then B"
for s in A B; do
  read_boxes $s
  e2e_menu "$main" f Up Return # "Quitter", the last entry of "&Fichier"
  e2e_until "$T_WINDOW" eval '! kill -0 "${APP[$s]}" 2>/dev/null' || e2e_fail "program $s did not end"
  wait "${APP[$s]}" || true
  wait_sync "program $s quit"
done

# --- the records, literally --------------------------------------------------------------------
# The new notes bear the minute they were made in: $m1, or $m2 when the minute turned meanwhile,
# read here as $m1.
a=$'\xe0' new="Le ${m1% *} $a ${m1#* }"
expected=$(printf '"%s","%s","",""\n' "$new" 'Encore sur A' "$new" 'Encore sur B' "Le 01/12 $a 10:00" 'Avoine du matin' \
  "Le 01/12 $a 10:01" 'Beurre doux' "Le 01/12 $a 10:02" 'Cerises noires' "Le 01/12 $a 10:02" 'Cerises rouges' \
  "Le 01/12 $a 10:03" 'Dattes sucrees' | LC_ALL=C sort)
file="${DATA[A]}/planifs.txt"
cmp -s "$file" "${DATA[B]}/planifs.txt" || e2e_fail "the two planifs.txt differ"
[ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' \n')" = 0d0a ] || e2e_fail "planifs.txt does not end with CR LF"
got=$(LC_ALL=C sed "s/\r\$//; s#^\"Le ${m2% *} $a ${m2#* }\",\"Encore #\"$new\",\"Encore #" "$file" | LC_ALL=C sort)
echo "-- messages: $(told A) from A, $(told B) from B; data folder: $(cd "${DATA[A]}" && ls -A | tr '\n' ' ')"
if [ "$got" != "$expected" ]; then
  echo "-- the records written (<) and those in planifs.txt, identical on both sides (>):" >&2
  diff <(echo "$expected") <(echo "$got") | cat -v >&2
  for c in "${DATA[A]}"/planifs?*.txt; do [ -e "$c" ] && { echo "-- ${c##*/}:"; cat -v "$c"; } >&2; done
  e2e_fail "after the four rounds planifs.txt does not hold the records written"
fi
echo PASS
