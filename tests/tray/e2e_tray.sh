#!/usr/bin/env bash
# The real program in a real notification area (trayer): its icon, the icon's clicks and menu,
# starting in the tray, and a second start that only brings the first copy forward.
E2E_TRAY=1
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

# Polls a command for up to $1 seconds.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  while [ $SECONDS -le $end ]; do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

parent_of() { echo $(($(xwininfo -children -id "$1" 2>/dev/null | awk '/Parent window id:/ {print $4}'))); }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
hidden() { ! viewable "$1"; }
alive() { kill -0 "$1" 2>/dev/null; }

# The tray icon of process $1: its window that the notification area has taken in.
tray_icon() {
  local w
  for w in $(xdotool search --pid "$1" 2>/dev/null); do
    [ "$(parent_of "$w")" -ne "$ROOT" ] && { echo "$w"; return 0; }
  done
  return 1
}

# The main window of process $1, once its icon is in place: the icon and Qt's own 1x1 helper
# window have the same title.
main_window() {
  local w icon
  icon=$(tray_icon "$1") || return 1
  for w in $(xdotool search --pid "$1" --name '^Rappelix$' 2>/dev/null); do
    [ "$w" != "$icon" ] && [ "$(parent_of "$w")" -eq "$ROOT" ] || continue
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -gt 100 ] && { echo "$w"; return 0; }
  done
  return 1
}

# A shown window of process $1 other than its main window and its icon: the pop-up menu.
popup_of() {
  local w main icon
  main=$(main_window "$1") icon=$(tray_icon "$1")
  for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    [ "$w" != "$main" ] && [ "$w" != "$icon" ] && { echo "$w"; return 0; }
  done
  return 1
}

note_window() { xdotool search --onlyvisible --pid "$1" --name '^Le ' 2>/dev/null | head -n1 | grep .; }

centred() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  local dx=$((X + WIDTH / 2 - SW / 2)) dy=$((Y + HEIGHT / 2 - SH / 2))
  [ ${dx#-} -le 2 ] && [ ${dy#-} -le 2 ] || e2e_fail "not centred: $X,$Y ${WIDTH}x$HEIGHT"
}

click_icon() { xdotool mousemove --window "$1" 8 8 click "$2"; }

# "Réduire", the first entry of "&Fichier".
reduce() {
  xdotool windowfocus --sync "$1"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key Return
  wait_until 5 hidden "$1" || e2e_fail "the main window did not hide"
  sleep 0.5 # the "&Fichier" menu lets the pointer go
}

printf '"Le 01/12 \xe0 16:26","Acheter du pain","lundi 08/12 9h30",""\r\n' >"$E2E_DATA/planifs.txt"
first_record=$(head -n1 "$E2E_DATA/planifs.txt")

e2e_start_display
ROOT=$(($(xwininfo -root 2>/dev/null | awk '/Window id:/ {print $4}')))
SW=$(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1]}')
SH=$(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[2]}')

e2e_log "the icon is in the notification area"
e2e_start_app "$bin"
app=$E2E_APP
wait_until 10 tray_icon "$app" >/dev/null || e2e_fail "the icon is not embedded"
icon=$(tray_icon "$app")
wait_until 10 main_window "$app" >/dev/null || e2e_fail "no main window"
main=$(main_window "$app")
wait_until 10 viewable "$main" || e2e_fail "the main window is not shown"
[ -f "$E2E_DATA/rappelix.lock" ] || e2e_fail "no lock in the data folder"

e2e_log "a left click brings the hidden window back, centred"
reduce "$main"
click_icon "$icon" 1
wait_until 5 viewable "$main" || e2e_fail "a left click did not show the main window"
centred "$main"

e2e_log "a right click opens the menu at the pointer"
reduce "$main"
click_icon "$icon" 3
wait_until 5 popup_of "$app" >/dev/null || e2e_fail "no menu"
menu=$(popup_of "$app")
sleep 0.3
e2e_screenshot tray-menu
eval "$(xdotool getmouselocation --shell)"
px=$X py=$Y
eval "$(xdotool getwindowgeometry --shell "$menu")"
[ "$px" -ge $((X - 2)) ] && [ "$px" -le $((X + WIDTH + 2)) ] && [ "$py" -ge $((Y - 2)) ] &&
  [ "$py" -le $((Y + HEIGHT + 2)) ] || e2e_fail "the menu is not at the pointer"
hidden "$main" || e2e_fail "the right click showed the main window"

e2e_log "\"&Nouvelle\" opens a note window and leaves the main window hidden"
xdotool key n
wait_until 5 note_window "$app" >/dev/null || e2e_fail "no note window"
sleep 0.3
hidden "$main" || e2e_fail "\"&Nouvelle\" showed the main window"

e2e_log "\" &Quitter\" writes the notes file and ends"
click_icon "$icon" 3
wait_until 5 popup_of "$app" >/dev/null || e2e_fail "no menu"
xdotool key q
e2e_wait_exit 10
[ "$(head -n1 "$E2E_DATA/planifs.txt")" = "$first_record" ] || e2e_fail "the first note changed"
[ "$(grep -c '^"Le ' "$E2E_DATA/planifs.txt")" = 2 ] || e2e_fail "the new note was not written"
[ ! -e "$E2E_DATA/rappelix.lock" ] || e2e_fail "the lock stayed behind"

e2e_log "with \"pref1.txt\" present, no window until the icon is clicked"
: >"$E2E_DATA/pref1.txt"
e2e_start_app "$bin"
app=$E2E_APP
wait_until 10 tray_icon "$app" >/dev/null || e2e_fail "the icon is not embedded"
icon=$(tray_icon "$app")
sleep 1
[ -z "$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | grep -vx "$icon")" ] ||
  e2e_fail "a window shows at a start in the tray"
click_icon "$icon" 1
wait_until 5 main_window "$app" >/dev/null || e2e_fail "no main window"
main=$(main_window "$app")
wait_until 5 viewable "$main" || e2e_fail "a left click did not show the main window"
centred "$main"

e2e_log "a second start brings the first copy forward and ends"
reduce "$main"
before=$(e2e_hex "$E2E_DATA/planifs.txt")
LANG=fr_FR.UTF-8 "$bin" >"$E2E_TMP/second.log" 2>&1 &
second=$!
E2E_PIDS+=($second)
wait_until 10 eval '! alive $second' || e2e_fail "the second copy is still running"
wait "$second" || e2e_fail "the second copy failed"
wait_until 5 viewable "$main" || e2e_fail "the first copy did not come forward"
centred "$main"
alive "$app" || e2e_fail "the first copy ended"
[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$before" ] || e2e_fail "the second copy wrote the notes file"

e2e_log "a start after a crash takes the lock over"
kill -9 "$app"
wait "$app" 2>/dev/null || true
[ -f "$E2E_DATA/rappelix.lock" ] || e2e_fail "the crash left no lock to take over"
e2e_start_app "$bin"
app=$E2E_APP
wait_until 10 tray_icon "$app" >/dev/null || e2e_fail "no copy runs after a crash"
sleep 0.5
alive "$app" || e2e_fail "the copy after a crash ended"
click_icon "$(tray_icon "$app")" 3
wait_until 5 popup_of "$app" >/dev/null || e2e_fail "no menu"
xdotool key q
e2e_wait_exit 10
echo "PASS"
