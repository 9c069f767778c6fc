# IBus in a private X session, sourced by tests/e2e/run-ibus.sh and
# scripts/bench-ibus.sh after scripts/xsession.sh: Xvfb, a private D-Bus
# session bus, and a real ibus-daemon whose components are the given
# folder's (the engine from the build, or an installed one) and Debian's
# own (the layout engines), everything of IBus's and ours (its address file
# and caches, the engine's settings) in the session's folder, no desktop
# settings, one locale for the engine and the filter alike. GTK and Qt
# programs started afterwards type through it.

# Starts it all; returns once "ibus list-engine" lists Tessaly's engine.
# Sets ibus_pid.
ibus_session_start() { # component-folder
  local _
  xsession_start || fail "could not start Xvfb"
  unset WAYLAND_DISPLAY WAYLAND_SOCKET
  dbus-daemon --session --nofork --print-address=3 3>"$xsession_dir/bus-address" >/dev/null 2>&1 &
  xsession_bus_pid=$!
  for _ in $(seq 200); do
    [ -s "$xsession_dir/bus-address" ] && break
    sleep 0.05
  done
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$xsession_dir/bus-address") || fail "no session bus"
  export DBUS_SESSION_BUS_ADDRESS
  export XDG_CONFIG_HOME="$xsession_dir/config" XDG_CACHE_HOME="$xsession_dir/cache" HOME="$xsession_dir/home"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$HOME"
  export GSETTINGS_BACKEND=memory LC_ALL=C.UTF-8
  export IBUS_COMPONENT_PATH="$1:/usr/share/ibus/component"
  export GTK_IM_MODULE=ibus QT_IM_MODULE=ibus QT_QPA_PLATFORM=xcb
  ibus_daemon_start
}

# Starts ibus-daemon (again) in the session; returns once "ibus list-engine"
# lists Tessaly's engine. Sets ibus_pid.
ibus_daemon_start() {
  local _ listed=""
  ibus-daemon --cache=none --panel=disable --emoji-extension=disable --config=disable --verbose \
    >>"$xsession_dir/program.log" 2>&1 &
  ibus_pid=$!
  xsession_extra_pids+=("$ibus_pid")
  for _ in $(seq 400); do
    listed=$(ibus list-engine 2>/dev/null | grep -x '  tessaly - Tessaly (random case)' || true)
    [ -n "$listed" ] && return 0
    kill -0 "$ibus_pid" 2>/dev/null || fail "ibus-daemon ended"
    sleep 0.05
  done
  fail "ibus list-engine does not list the engine: $(ibus list-engine 2>&1 | head -n 20)"
}

# Makes Tessaly the engine; returns once the daemon has started its
# process, engine_pid.
engine_pid=""
use_tessaly() {
  # ("ibus engine" asks for no layout of ours and says status 1 for it;
  # what counts is the engine it sets.)
  ibus engine tessaly >/dev/null 2>&1 || true
  [ "$(ibus engine 2>/dev/null)" = tessaly ] || fail "ibus engine tessaly did not set the engine"
  local _
  for _ in $(seq 400); do
    engine_pid=$(pgrep -P "$ibus_pid" -x tessaly-ibus || true)
    [ -n "$engine_pid" ] && return 0
    sleep 0.05
  done
  fail "ibus-daemon did not start tessaly-ibus"
}
