# The end-to-end scripts' driver: a private X display and data home, clean-up on exit. E2E_OUT: the
# screenshots' folder; E2E_WM=1: openbox as window manager, or the one named (metacity, fluxbox);
# E2E_TRAY=1: trayer as notification area.
set -Eeuo pipefail
# A failing command that ends a script outside any check says which one on the way out.
E2E_ERR="" E2E_FAILED=0
trap 'E2E_ERR="${BASH_SOURCE[0]}:$LINENO: $BASH_COMMAND"' ERR

e2e_fail() {
  E2E_FAILED=1
  echo "FAIL: $*" >&2
  [ -s "${E2E_TMP:-}/app.log" ] && { echo "-- program output:" >&2; tail -n 20 "$E2E_TMP/app.log" >&2; }
  exit 1
}

E2E_OUT=${E2E_OUT:-$PWD} E2E_TMP=$(mktemp -d) E2E_PIDS=() E2E_XVFB=""
mkdir -p "$E2E_OUT"
export XDG_DATA_HOME="$E2E_TMP/data" XDG_CONFIG_HOME="$E2E_TMP/config" XDG_RUNTIME_DIR="$E2E_TMP/runtime" HOME="$E2E_TMP/home"
E2E_DATA="$XDG_DATA_HOME/rapix"
mkdir -p "$E2E_DATA" "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY SESSION_MANAGER

# A process and everything it started, deepest first: dbus-run-session's bus daemon outlives it.
e2e_tree() {
  local child
  for child in $(pgrep -P "$1" 2>/dev/null); do e2e_tree "$child"; done
  echo "$1"
}

e2e_gone() {
  local pid
  for pid; do ! kill -0 "$pid" 2>/dev/null || return 1; done
}

# Ends what this script started and what those started in turn: only processes still below this
# shell, never a number that an ended process left to another program.
e2e_cleanup() {
  local status=$? pids pid
  [ $status -eq 0 ] || [ $E2E_FAILED -eq 1 ] || echo "FAIL: ended ($status) at $E2E_ERR" >&2
  pids=($(e2e_tree $$))
  unset 'pids[${#pids[@]}-1]' # this shell
  for pid in "${E2E_PIDS[@]}"; do kill -0 "$pid" 2>/dev/null && pids+=("$pid"); done # left below no one
  if [ ${#pids[@]} -gt 0 ]; then
    kill "${pids[@]}" 2>/dev/null || true
    e2e_until 2 e2e_gone "${pids[@]}" || kill -9 "${pids[@]}" 2>/dev/null || true
  fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# A wait on what the window system shows: a loaded machine's window manager can take seconds.
E2E_WAIT=20

# Polls a command for up to $1 seconds.
e2e_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -le $end ] || return 1
    sleep 0.1
  done
}

# Xvfb on a display number of its own, then what E2E_WM and E2E_TRAY ask for. Xvfb locks a number
# it is given (/tmp/.X<n>-lock); one that picks its own (-displayfd) takes no lock, and while it
# tries a number in use it removes that server's socket, which later clients then cannot reach.
# -noreset: by default the server starts afresh whenever its last client leaves (xdpyinfo's
# check here, say), and refuses whoever connects meanwhile.
e2e_start_display() {
  local n tries
  for tries in $(seq 20); do
    n=$((RANDOM % 900 + 100))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB=$!
    export DISPLAY=":$n"
    # Up, or ended at once because another server took the number meanwhile.
    e2e_until 30 eval 'xdpyinfo >/dev/null 2>&1 || ! kill -0 $E2E_XVFB 2>/dev/null'
    xdpyinfo >/dev/null 2>&1 && break
    kill "$E2E_XVFB" 2>/dev/null || true
  done
  xdpyinfo >/dev/null 2>&1 || e2e_fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
  case ${E2E_WM:-0} in
  0) ;;
  1 | openbox) openbox --sm-disable >"$E2E_TMP/wm.log" 2>&1 & ;;
  fluxbox) # without its toolbar, so that the work area is the whole screen
    printf 'session.screen0.toolbar.visible: false\n' >"$E2E_TMP/fluxbox-init"
    fluxbox -rc "$E2E_TMP/fluxbox-init" >"$E2E_TMP/wm.log" 2>&1 & ;;
  *) "$E2E_WM" --sm-disable --replace >"$E2E_TMP/wm.log" 2>&1 & ;;
  esac
  if [ "${E2E_WM:-0}" != 0 ]; then
    # Managing the screen once it has said what it supports: xdotool's activation needs that.
    e2e_until 30 eval 'xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW' ||
      e2e_fail "the window manager did not start: $(cat "$E2E_TMP/wm.log")"
    # And once it puts a window on screen: openbox, starting up, may queue a window's request and
    # then sleep on it until some later event comes. A window of a moment, and the root window
    # touched until that window is on screen.
    xmessage -title e2e-wm-check ready >/dev/null 2>&1 &
    local check=$!
    e2e_until 30 eval 'xprop -root -f _E2E_WAKE 8s -set _E2E_WAKE 1
      xdotool search --onlyvisible --name "^e2e-wm-check$" >/dev/null 2>&1' ||
      e2e_fail "the window manager did not put a window on screen: $(cat "$E2E_TMP/wm.log")"
    kill "$check" && { wait "$check" 2>/dev/null || true; }
  fi
  [ "${E2E_TRAY:-0}" = 1 ] && e2e_start_tray
  return 0
}

e2e_start_tray() {
  trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 30 \
    --SetDockType true --transparent false >/dev/null 2>&1 &
  e2e_until 30 xdotool search --class trayer >/dev/null 2>&1 || e2e_fail "trayer did not start"
}

# The window of process $1 that the notification area has taken in: its icon (a window manager
# takes windows in too, and marks them with a WM_STATE).
e2e_icon_of() {
  local w
  for w in $(xdotool search --pid "$1" 2>/dev/null); do
    xwininfo -children -id "$w" | grep -q 'Parent window id: .*(the root window)' ||
      xprop -id "$w" WM_STATE | grep -q 'window state' || { echo "$w"; return 0; }
  done
  return 1
}
# Its main window: the icon ($2) and a helper window of Qt's bear the same title.
e2e_main_of() {
  local w
  for w in $(xdotool search --pid "$1" --name '^Rappelix$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$w" != "${2:-}" ] && [ "$WIDTH" -gt 100 ] && { echo "$w"; return 0; }
  done
  return 1
}

# Starts the program, or a command starting it ($@); its pid goes to E2E_APP.
e2e_start_app() {
  LANG=fr_FR.UTF-8 "$@" >"$E2E_TMP/app.log" 2>&1 &
  E2E_APP=$!
}

# Prints the first visible window whose title matches $1, waiting up to $2 seconds (default 30).
e2e_wait_window() {
  local title=$1
  e2e_until "${2:-30}" eval 'xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -q .' || return 1
  xdotool search --onlyvisible --name "$title" | head -n1
}

e2e_wait_exit() {
  e2e_until "${1:-10}" eval '! kill -0 "$E2E_APP" 2>/dev/null' || e2e_fail "the program did not end"
  wait "$E2E_APP" 2>/dev/null || true
}

# Whether one of the program's menus is on screen: a window of its own on the root window that
# the window manager does not frame (Qt marks a menu shown again as a normal window; a tray icon
# is not framed either, but lives in the notification area).
e2e_menu_shown() {
  local w
  for w in $(xdotool search --onlyvisible --class rappelix 2>/dev/null); do
    xwininfo -children -stats -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' &&
      xwininfo -children -id "$w" | grep -q 'Parent window id: .*(the root window)' && return 0
  done
  return 1
}

# Alt+$2 in window $1, then, once the menu is on screen, the keys that follow: a menu entry from
# the keyboard.
e2e_menu() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
  xdotool key --clearmodifiers "alt+$2"
  e2e_until $E2E_WAIT e2e_menu_shown || e2e_fail "the menu Alt+$2 did not open"
  xdotool key "${@:3}"
}

# Waits until the text box with the focus holds $1, seen through the selection it owns once
# Ctrl+A has selected everything; Ctrl+End then puts the cursor back at the end.
e2e_wait_typed() {
  local typed=$1
  xdotool key ctrl+a
  e2e_until $E2E_WAIT eval 'xclip -o -selection primary 2>/dev/null | grep -qF -- "$typed"' || e2e_fail "the text box does not hold: $typed"
  xdotool key ctrl+End
}
e2e_quit() { e2e_menu "$1" f Up Return && e2e_wait_exit 10; } # "Quitter", the last entry of "&Fichier"

# The outer frame of window $1 as "X Y WIDTH HEIGHT": its client area and the frame extents the
# window manager set (none without one).
e2e_frame() {
  local x y w h l=0 r=0 t=0 b=0 ext
  eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}
    /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')
  [ -n "$ext" ] && IFS=, read -r l r t b <<<"$ext"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

# Whether window $1 is on the screen (mapped, and its parents too).
e2e_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# Whether window $1's frame is centred on the 1280 x 1024 screen.
e2e_centred() {
  local x y w h
  read -r x y w h <<<"$(e2e_frame "$1")"
  [ "$x" = $(((1280 - w) / 2)) ] && [ "$y" = $(((1024 - h) / 2)) ]
}

e2e_screenshot() { import -window root "$E2E_OUT/$1.png"; }
e2e_hex() { od -An -tx1 -v "$1" | tr -d ' \n'; }
