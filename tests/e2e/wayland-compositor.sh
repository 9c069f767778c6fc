# A Wayland compositor for a test, sourced by the scripts that need one:
# sway, kwin, mutter or weston, headless, in a private folder with its own
# runtime folder (XDG_RUNTIME_DIR), home and, where it needs one, D-Bus
# session bus. wlc_start exports WAYLAND_DISPLAY and XDG_RUNTIME_DIR, so
# that every client started afterwards joins that compositor and no other;
# everything started in it is ended on any exit of the script.
#
# Run as root (as in CI), the compositor and its clients run as nobody:
# sway refuses root, and a test should not need it. wlc_as_user runs a
# command as that user; wlc_dir is a folder that user can write to.
#
#   source tests/e2e/wayland-compositor.sh
#   wlc_start sway || fail "could not start sway"
#   wlc_as_user wl-copy hello

wlc_name=""
wlc_dir=""
wlc_work=""
wlc_pid=""
wlc_log=""
wlc_pids=()
wlc_cleanups=()
# The command that runs what follows it as the session's user: empty when
# the script runs unprivileged already. Started in the background through
# it, a process's id is the one $! gives.
wlc_as=()

# Runs a command when the script ends, however it ends, before the
# compositor goes.
wlc_on_exit() { # command...
  wlc_cleanups+=("$*")
}

# Ends a test: the reason, then what the compositor said last.
fail() {
  echo "FAIL: $*" >&2
  if [ -n "$wlc_log" ] && [ -s "$wlc_log" ]; then
    echo "--- $wlc_name (last lines)" >&2
    tail -n 30 "$wlc_log" >&2
  fi
  exit 1
}

# Runs a command as the session's user, in the session's environment.
wlc_as_user() { # command...
  "${wlc_as[@]}" "$@"
}

# The processes started in the session, the compositor's own and those that
# left it for the background (wl-copy, a program serving the clipboard):
# whatever has the session's runtime folder in its environment.
wlc_session_processes() {
  local folder pid
  [ -n "$wlc_dir" ] || return 0
  for folder in /proc/[0-9]*; do
    pid=${folder#/proc/}
    [ "$pid" = $$ ] && continue
    { tr '\0' '\n' <"$folder/environ"; } 2>/dev/null | grep -qxF "XDG_RUNTIME_DIR=$wlc_dir/runtime" && echo "$pid"
  done
  return 0
}

wlc_stop() {
  local cleanup pid index _
  for cleanup in "${wlc_cleanups[@]}"; do
    eval "$cleanup" || true
  done
  wlc_cleanups=()
  # The last started first: the clients before the compositor, the
  # compositor before its bus and X server.
  for ((index = ${#wlc_pids[@]} - 1; index >= 0; index--)); do
    pid=${wlc_pids[$index]}
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  wlc_pids=()
  wlc_pid=""
  local left
  left=$(wlc_session_processes)
  if [ -n "$left" ]; then
    # shellcheck disable=SC2086
    kill $left 2>/dev/null || true
    for _ in $(seq 100); do
      left=$(wlc_session_processes)
      [ -z "$left" ] && break
      sleep 0.05
    done
    # shellcheck disable=SC2086
    [ -n "$left" ] && kill -KILL $left 2>/dev/null || true
  fi
  if [ -n "$wlc_dir" ]; then
    rm -rf "$wlc_dir"
    wlc_dir=""
  fi
}

# Waits up to 60 s for a file to exist and not be empty (or to be a socket
# with -S); false if the process given ends first.
wlc_wait_for() { # test-flag path pid
  local _
  for _ in $(seq 600); do
    [ "$1" "$2" ] && return 0
    kill -0 "$3" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Starts a private D-Bus session bus as the session's user and exports its
# address.
wlc_bus_start() {
  local pid
  "${wlc_as[@]}" dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$wlc_dir/bus-address" \
    >"$wlc_dir/bus.log" 2>&1 &
  pid=$!
  wlc_pids+=("$pid")
  wlc_wait_for -s "$wlc_dir/bus-address" "$pid" || return 1
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$wlc_dir/bus-address")
  export DBUS_SESSION_BUS_ADDRESS
}

# Starts a private Xvfb as the session's user; sets wlc_x_display.
wlc_xvfb_start() {
  local pid
  "${wlc_as[@]}" Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$wlc_dir/x-display" \
    >"$wlc_dir/xvfb.log" 2>&1 &
  pid=$!
  wlc_pids+=("$pid")
  wlc_wait_for -s "$wlc_dir/x-display" "$pid" || return 1
  wlc_x_display=":$(head -n1 "$wlc_dir/x-display")"
}

# Mutter's headless seat has no keyboard until one is plugged in; a remote
# desktop session plugs in a virtual one, as a real session has a keyboard
# (its first key makes it appear). The session lasts as long as the D-Bus
# connection that made it, so the client stays.
wlc_mutter_keyboard() {
  local pid
  "${wlc_as[@]}" /usr/bin/python3 - >"$wlc_dir/keyboard-ready" 2>"$wlc_dir/keyboard.log" <<'PY' &
import sys
import time
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
name, root = "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop"
session = None
for _ in range(600):
    try:
        session = bus.call_sync(name, root, name, "CreateSession", None, GLib.VariantType("(o)"),
                                Gio.DBusCallFlags.NONE, 10000, None).unpack()[0]
        break
    except GLib.Error:
        time.sleep(0.1)
if session is None:
    sys.exit("mutter's remote desktop did not answer")
interface = name + ".Session"
bus.call_sync(name, session, interface, "Start", None, None, Gio.DBusCallFlags.NONE, 10000, None)
shift = 0xFFE1
for pressed in (True, False):
    bus.call_sync(name, session, interface, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (shift, pressed)),
                  None, Gio.DBusCallFlags.NONE, 10000, None)
print("ready", flush=True)
GLib.MainLoop().run()
PY
  pid=$!
  wlc_pids+=("$pid")
  wlc_wait_for -s "$wlc_dir/keyboard-ready" "$pid"
}

# Starts the named compositor; returns once its socket is there.
wlc_start() { # sway|kwin|mutter|weston
  wlc_name=$1
  wlc_dir=$(mktemp -d)
  trap wlc_stop EXIT
  trap 'exit 130' INT TERM
  chmod 755 "$wlc_dir"
  local user=""
  if [ "$(id -u)" = 0 ]; then
    user=nobody
    wlc_as=(setpriv --reuid "$user" --regid "$(id -gn "$user")" --clear-groups --)
  fi
  local folder
  for folder in runtime home work; do
    mkdir -m 700 "$wlc_dir/$folder"
    [ -n "$user" ] && chown "$user:$(id -gn "$user")" "$wlc_dir/$folder"
  done
  # The test's own files, which the user's programs read and write.
  chmod 755 "$wlc_dir/work"
  wlc_work="$wlc_dir/work"
  wlc_log="$wlc_dir/compositor.log"

  export XDG_RUNTIME_DIR="$wlc_dir/runtime"
  export HOME="$wlc_dir/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
  export XDG_STATE_HOME="$HOME/.local/state"
  export WAYLAND_DISPLAY=wayland-tessaly
  unset DISPLAY WAYLAND_SOCKET DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
  unset XDG_ACTIVATION_TOKEN DESKTOP_STARTUP_ID

  case "$wlc_name" in
  sway)
    # No outputs of its own to find, no input devices, no bar.
    printf '%s\n' "output HEADLESS-1 resolution 1024x768" >"$wlc_dir/sway.conf"
    chmod 644 "$wlc_dir/sway.conf"
    # wlroots names its socket itself: the first free one.
    unset WAYLAND_DISPLAY
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
      "${wlc_as[@]}" sway -c "$wlc_dir/sway.conf" >"$wlc_log" 2>&1 &
    wlc_pid=$!
    ;;
  kwin)
    wlc_bus_start || return 1
    # The installed binary carries a file capability that an unprivileged
    # user cannot be given in a container: a plain copy starts anywhere.
    cp /usr/bin/kwin_wayland "$wlc_dir/kwin_wayland"
    chmod 755 "$wlc_dir/kwin_wayland"
    "${wlc_as[@]}" "$wlc_dir/kwin_wayland" --virtual --no-lockscreen \
      --socket "$WAYLAND_DISPLAY" --width 1024 --height 768 >"$wlc_log" 2>&1 &
    wlc_pid=$!
    ;;
  mutter)
    wlc_bus_start || return 1
    "${wlc_as[@]}" mutter --headless --wayland --no-x11 --wayland-display "$WAYLAND_DISPLAY" \
      --virtual-monitor 1024x768 >"$wlc_log" 2>&1 &
    wlc_pid=$!
    ;;
  weston)
    # The headless backend has no seat; the X11 one, in an X server of its
    # own, has a keyboard.
    wlc_xvfb_start || return 1
    DISPLAY=$wlc_x_display "${wlc_as[@]}" weston --backend=x11-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" \
      --width=1024 --height=768 --idle-time=0 --no-config >"$wlc_log" 2>&1 &
    wlc_pid=$!
    ;;
  *)
    echo "no such compositor: $wlc_name (sway, kwin, mutter or weston)" >&2
    return 1
    ;;
  esac
  wlc_pids+=("$wlc_pid")

  if [ -z "${WAYLAND_DISPLAY:-}" ]; then
    local _ socket
    for _ in $(seq 600); do
      socket=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' 2>/dev/null | head -n1)
      [ -n "$socket" ] && break
      kill -0 "$wlc_pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$socket" ] || { echo "$wlc_name did not start" >&2; return 1; }
    export WAYLAND_DISPLAY=$socket
  fi
  wlc_wait_for -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" "$wlc_pid" || { echo "$wlc_name did not start" >&2; return 1; }
  if [ "$wlc_name" = mutter ]; then
    if ! wlc_mutter_keyboard; then
      echo "could not give mutter a keyboard:" >&2
      cat "$wlc_dir/keyboard.log" >&2
      return 1
    fi
  fi
  return 0
}

trap wlc_stop EXIT
