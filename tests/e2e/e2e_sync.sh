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
import sys, xml.etree.ElementTree as ET
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
d = sub(root, "device", id=other, name=othername, compression="metadata", introducer="false",
        skipIntroductionRemovals="false", introducedBy="")
sub(d, "address", "tcp://127.0.0.1:" + otherlisten)
sub(d, "paused", "false")
sub(d, "autoAcceptFolders", "false")
f = ET.Element("folder", id=folder, label="rapix", path=data, type="sendreceive",
               rescanIntervalS="10", fsWatcherEnabled="true", fsWatcherDelayS="1",
               ignorePerms="false", autoNormalize="true")
sub(f, "filesystemType", "basic")
sub(f, "device", id=me, introducedBy="")
sub(f, "device", id=other, introducedBy="")
sub(f, "minDiskFree", "0", unit="%")
sub(f, "markerName", ".stfolder")
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
# Both connected and settled, both planifs.txt byte-identical, and all of it unchanged for three
# seconds (more than the watch delay: a write not yet scanned would show by then).
SYNC_SEEN="" SYNC_SINCE=0
in_sync() {
  local a b now
  connected A && connected B || { SYNC_SEEN=""; return 1; }
  a=$(settled A) && b=$(settled B) || { SYNC_SEEN=""; return 1; }
  cmp -s "${DATA[A]}/planifs.txt" "${DATA[B]}/planifs.txt" || { SYNC_SEEN=""; return 1; }
  now="$a|$b|$(e2e_hex "${DATA[A]}/planifs.txt" | md5sum)"
  [ "$now" = "$SYNC_SEEN" ] || { SYNC_SEEN=$now SYNC_SINCE=$SECONDS; return 1; }
  [ $((SECONDS - SYNC_SINCE)) -ge 3 ]
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
# on SIDE: this side's display and homes for the commands that follow.
on() {
  export DISPLAY=${DISP[$1]} XDG_DATA_HOME="$E2E_TMP/$1/data" XDG_CONFIG_HOME="$E2E_TMP/$1/config"
  export XDG_RUNTIME_DIR="$E2E_TMP/$1/runtime" HOME="$E2E_TMP/$1/home"
  main=${MAIN[$1]:-}
}
for s in A B; do
  e2e_start_display
  DISP[$s]=$DISPLAY
  on $s
  LANG=fr_FR.UTF-8 "$bin" >"$E2E_TMP/$s/app.log" 2>&1 &
  E2E_PIDS+=($!)
  MAIN[$s]=$(e2e_wait_window '^Rappelix$' "$T_WINDOW") || e2e_fail "no main window on $s"
done

note_windows() { xdotool search --onlyvisible --name '^Le [0-9][0-9]/[0-9][0-9] ' 2>/dev/null || true; }
count_notes() { [ "$(note_windows | grep -c .)" -eq "$1" ]; }
has() { LC_ALL=C grep -qF -- "$2" "${DATA[$1]}/planifs.txt"; }
lacks() { ! has "$@"; }

# "Nouvelle" (92 px right, 196 px down from the main window's corner), then the text typed in the
# new note window, left open.
new_note() { # side, text
  on "$1"
  xdotool windowactivate --sync "$main"
  set -- "$1" "$2" $(xwininfo -id "$main" | awk '/Absolute upper-left [XY]/ {printf "%d ", $4}')
  xdotool mousemove $(($3 + 92)) $(($4 + 196)) click 1
  e2e_until "$T_WINDOW" count_notes 1 || e2e_fail "no note window on $1"
  typein "$1" "$(note_windows)" "$2"
}
# The note whose text starts with letter $2, chosen in the list by typing that letter, then
# shown with Entrée; its window must bear the creation stamp $3.
show_note() { # side, letter, stamp regex
  on "$1"
  xdotool windowactivate --sync "$main"
  # A click on the list gives it the focus; Ctrl+Début makes the text column current.
  xdotool mousemove --window "$main" 300 60 click 1
  xdotool key ctrl+Home "$2"
}
select_note() { # side, letter, stamp regex: chosen, then shown with Entrée
  show_note "$1" "$2"
  xdotool key Return
  local w
  w=$(e2e_wait_window "^Le $3\$" "$T_WINDOW") || e2e_fail "the note '$2' did not open on $1 (windows: $(for w in $(note_windows); do xdotool getwindowname "$w"; done))"
  echo "$w"
}
typein() { # side, window, text: typed at the end of the text box
  on "$1"
  xdotool windowactivate --sync "$2"
  xdotool key ctrl+End
  xdotool type --delay 15 "$3"
  e2e_wait_typed "$3"
}
close_note() { xdotool key --clearmodifiers alt+F4; } # the close box writes the file

no_notes() { on A && count_notes 0 && on B && count_notes 0; }
e2e_until 10 no_notes || e2e_fail "a note window is open at start"

minute() { date '+%d/%m %H:%M'; }

echo "-- a note added on each side within a second"
m1=$(minute)
new_note A 'Encore sur A'
new_note B 'Encore sur B'
on A; close_note
on B; close_note
m2=$(minute)
e2e_until "$T_WRITE" has A 'Encore sur A' || e2e_fail "A did not write its new note"
e2e_until "$T_WRITE" has B 'Encore sur B' || e2e_fail "B did not write its new note"
for s in A B; do on $s; e2e_until "$T_WINDOW" count_notes 0 || e2e_fail "the note window on $s did not close"; done
wait_sync "the notes added on both sides"

echo "-- different notes edited on both sides within a second"
wa=$(select_note A A '01/12 .* 10:00')
typein A "$wa" ' du matin'
wb=$(select_note B B '01/12 .* 10:01')
typein B "$wb" ' doux'
on A; xdotool windowactivate --sync "$wa"; close_note
on B; xdotool windowactivate --sync "$wb"; close_note
e2e_until "$T_WRITE" has A 'Avoine du matin' || e2e_fail "A did not write its edit"
e2e_until "$T_WRITE" has B 'Beurre doux' || e2e_fail "B did not write its edit"
for s in A B; do on $s; e2e_until "$T_WINDOW" count_notes 0 || e2e_fail "the note window on $s did not close"; done
wait_sync "the edits of different notes"

echo "-- the same note typed on both sides within a second"
wa=$(select_note A C '01/12 .* 10:02')
typein A "$wa" ' noires'
wb=$(select_note B C '01/12 .* 10:02')
typein B "$wb" ' rouges'
on A; xdotool windowactivate --sync "$wa"; close_note
on B; xdotool windowactivate --sync "$wb"; close_note
e2e_until "$T_WRITE" has A 'Cerises noires' || e2e_fail "A did not write its typing"
e2e_until "$T_WRITE" has B 'Cerises rouges' || e2e_fail "B did not write its typing"
for s in A B; do on $s; e2e_until "$T_WINDOW" count_notes 0 || e2e_fail "the note window on $s did not close"; done
wait_sync "the same note typed on both sides"

echo "-- a note removed on A while B edits it, within a second"
wb=$(select_note B D '01/12 .* 10:03')
typein B "$wb" ' sucrees'
show_note A D # chosen on A, then "Supprimer" (Suppr) right before B's window closes
on A; xdotool key Delete
on B; xdotool windowactivate --sync "$wb"; close_note
e2e_until "$T_WRITE" lacks A '"Dattes"' || e2e_fail "A did not write the removal"
e2e_until "$T_WRITE" has B 'Dattes sucrees' || e2e_fail "B did not write its edit"
on B; e2e_until "$T_WINDOW" count_notes 0 || e2e_fail "the note window on B did not close"
wait_sync "a removal on A and an edit on B"

for s in A B; do on $s; e2e_screenshot "e2e_sync_$s"; done

# --- the records, literally --------------------------------------------------------------------
# The new notes bear the minute they were made in: $m1, or $m2 when the minute turned meanwhile.
stamps="$m1"
[ "$m2" = "$m1" ] || stamps="$m1|$m2"
new_record() { # text: the record's alternatives, one per possible minute
  local m out=""
  IFS='|' read -ra ms <<<"$stamps"
  for m in "${ms[@]}"; do out+="${out:+|}\"Le ${m% *} "$'\xe0'" ${m#* }\",\"$1\",\"\",\"\""; done
  echo "$out"
}
expected=(
  "$(new_record 'Encore sur A')"
  "$(new_record 'Encore sur B')"
  '"Le 01/12 '$'\xe0'' 10:00","Avoine du matin","",""'
  '"Le 01/12 '$'\xe0'' 10:01","Beurre doux","",""'
  '"Le 01/12 '$'\xe0'' 10:02","Cerises noires","",""'
  '"Le 01/12 '$'\xe0'' 10:02","Cerises rouges","",""'
  '"Le 01/12 '$'\xe0'' 10:03","Dattes sucrees","",""'
)
cmp -s "${DATA[A]}/planifs.txt" "${DATA[B]}/planifs.txt" || e2e_fail "the two planifs.txt differ"
file="${DATA[A]}/planifs.txt"
[ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' \n')" = 0d0a ] || e2e_fail "planifs.txt does not end with CR LF"
mapfile -t lines < <(LC_ALL=C sed 's/\r$//' "$file")
missing=() left=("${lines[@]}")
for want in "${expected[@]}"; do
  IFS='|' read -ra alts <<<"$want"
  found=""
  for i in "${!left[@]}"; do
    for alt in "${alts[@]}"; do
      [ "${left[$i]}" = "$alt" ] && { found=$i; break 2; }
    done
  done
  if [ -n "$found" ]; then unset "left[$found]"; else missing+=("${alts[0]}"); fi
done
conflicts=$(cd "${DATA[A]}" && ls -A | grep -E 'sync-conflict|conflicted copy' || true)
if [ ${#missing[@]} -gt 0 ] || [ ${#left[@]} -gt 0 ]; then
  {
    echo "-- planifs.txt (identical on both sides):"
    cat -v "$file"
    for r in "${missing[@]}"; do echo "-- missing: $(cat -v <<<"$r")"; done
    for r in "${left[@]}"; do echo "-- not expected: $(cat -v <<<"$r")"; done
    echo "-- files of the data folder: $(cd "${DATA[A]}" && ls -A | tr '\n' ' ')"
    for c in $conflicts; do echo "-- $c:"; cat -v "${DATA[A]}/$c"; done
  } >&2
  e2e_fail "${#missing[@]} record(s) missing, ${#left[@]} not expected, after the four rounds"
fi
echo PASS
