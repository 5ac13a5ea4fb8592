#!/usr/bin/env bash
# The main window to the tray and back under a window manager ($2), which carries out what it is
# asked later: each way to hide, then each way back, $3 (20) rounds each, the window back centred
# and active on the first try. First a start in the tray with the panel 3 s late: the window
# waits minimised, then joins the icon.
E2E_WM=$2
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1 rounds=${3:-20} icon="" main=""

viewable() { [ -n "$main" ] && e2e_viewable "$main"; }
wm_state() { xprop -id "$main" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p'; }
active() { xprop -root _NET_ACTIVE_WINDOW | grep -q "# $(printf '0x%x' "$main")$"; }
back() { viewable && [ "$(wm_state)" = Normal ] && e2e_centred "$main" && active && ! e2e_menu_shown; }
in_tray() { ! viewable && ! e2e_menu_shown && case $(wm_state) in Normal | Iconic) false ;; esac; } # withdrawn: no taskbar button

# The window manager's close goes to the window with the keyboard's focus, seen from X first.
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$main" ]; }
hide_close() {
  e2e_until $E2E_WAIT focused || e2e_fail "$what: the window does not have the focus ($(xdotool getwindowfocus 2>&1))"
  xdotool key --clearmodifiers alt+F4
}
hide_reduce() { e2e_menu "$main" f Return; }       # "Réduire", the first entry of "&Fichier"
hide_minimise() { xdotool windowminimize "$main"; }
# The pointer onto the icon, then a click once X says the icon is under it. A window manager's
# effect can be there first: metacity's minimise maps a window of its own under the pointer for a
# moment, and a click sent then is metacity's.
click_icon() {
  xdotool mousemove --window "$icon" 8 8
  e2e_until $E2E_WAIT eval 'xwininfo -tree -id "$(xdotool getmouselocation --shell | sed -n "s/^WINDOW=//p")" |
    grep -q "$(printf "0x%x " "$icon")"' || e2e_fail "${what:-start}: the pointer is not over the icon: $(xdotool getmouselocation)"
  xdotool click "$1"
}
back_click() { click_icon 1; }
back_menu() { # "&Restaurer"
  click_icon 3
  e2e_until $E2E_WAIT e2e_menu_shown || e2e_fail "$what: the icon's menu did not open ($(wm_state), $(viewable || echo "not ")viewable, $(xprop -root _NET_ACTIVE_WINDOW))"
  xdotool key r
}
back_start() { timeout 20 env LANG=fr_FR.UTF-8 "$bin" >/dev/null 2>&1 || e2e_fail "the second copy failed"; }

: >"$E2E_DATA/pref1.txt"
e2e_start_display
e2e_start_app "$bin"
e2e_until 10 eval 'main=$(e2e_main_of "$E2E_APP")' || e2e_fail "no main window"
e2e_until 10 eval '[ "$(wm_state)" = Iconic ]' || e2e_fail "the window does not wait minimised: $(wm_state)"
sleep 3 # the panel comes late
e2e_start_tray
e2e_until 10 eval 'icon=$(e2e_icon_of "$E2E_APP") && e2e_viewable "$icon"' ||
  e2e_fail "the icon is not in the notification area"
e2e_until $E2E_WAIT in_tray || e2e_fail "the window did not join the icon: $(wm_state)"
back_click
e2e_until $E2E_WAIT back || e2e_fail "a click did not bring the window back centred ($(wm_state), $(e2e_frame "$main"))"
for hide in ${E2E_HIDE:-close reduce minimise}; do
  for way in ${E2E_WAY:-click menu start}; do
    for ((i = 1; i <= rounds; i++)); do
      what="$hide then $way, round $i"
      hide_$hide
      e2e_until $E2E_WAIT in_tray || e2e_fail "$what: the window did not go to the tray ($(wm_state), $(viewable || echo "not ")viewable, $(xprop -root _NET_ACTIVE_WINDOW))"
      back_$way
      e2e_until $E2E_WAIT back || e2e_fail "$what: the window did not come back centred and active ($(wm_state), $(e2e_frame "$main"))"
    done
  done
  echo "-- $hide: $rounds rounds for each way back"
done
echo PASS
