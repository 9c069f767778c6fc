# The session library, sourced by every end-to-end test and by the scripts
# that run the program for screenshots, trials and measurements: a private X
# server on a free display (or a headless Weston), a private D-Bus session
# with the accessibility bus, the program running inside, and the few ways
# of finding, clicking and reading its windows that a user's hands and eyes
# would need. Everything started here is ended on any exit of the script.
#
# Window sizes in pixels (no window manager, so no frames): splash 342x234,
# popup 216x111, main window 314x245, about window 264x280.

xsession_xvfb_pid=""
xsession_program_pid=""
xsession_extra_pids=()
xsession_dir=""
xsession_bus_pid=""
xsession_cleanups=()

# Runs a command when the script ends, however it ends, before the session
# goes: the way a script that starts a session keeps its own cleanup.
xsession_on_exit() { # command...
  xsession_cleanups+=("$*")
}

# Ends an end-to-end test: the reason, then what the program (and the
# compositor, under Wayland) said.
fail() {
  echo "FAIL: $*" >&2
  if [ -n "${xsession_dir:-}" ] && [ -s "$xsession_dir/program.log" ]; then
    echo "--- program output" >&2
    cat "$xsession_dir/program.log" >&2
  fi
  if [ -n "${xsession_dir:-}" ] && [ -s "$xsession_dir/weston.log" ]; then
    echo "--- weston" >&2
    tail -n 20 "$xsession_dir/weston.log" >&2
  fi
  exit 1
}

xsession_stop() {
  local pid cleanup
  for cleanup in "${xsession_cleanups[@]}"; do
    eval "$cleanup" || true
  done
  xsession_cleanups=()
  if [ -n "$xsession_program_pid" ]; then
    kill "$xsession_program_pid" 2>/dev/null || true
    wait "$xsession_program_pid" 2>/dev/null || true
    xsession_program_pid=""
  fi
  for pid in "${xsession_extra_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  xsession_extra_pids=()
  if [ -n "$xsession_bus_pid" ]; then
    kill "$xsession_bus_pid" 2>/dev/null || true
    wait "$xsession_bus_pid" 2>/dev/null || true
    xsession_bus_pid=""
  fi
  if [ -n "$xsession_xvfb_pid" ]; then
    kill "$xsession_xvfb_pid" 2>/dev/null || true
    wait "$xsession_xvfb_pid" 2>/dev/null || true
    xsession_xvfb_pid=""
  fi
  if [ -n "$xsession_dir" ]; then
    rm -rf "$xsession_dir"
    xsession_dir=""
  fi
}

# Starts Xvfb on a display it picks itself and exports DISPLAY, with a
# private runtime folder (XDG_RUNTIME_DIR) that goes with the session.
xsession_start() {
  xsession_dir=$(mktemp -d)
  trap xsession_stop EXIT
  trap 'exit 130' INT TERM
  export XDG_RUNTIME_DIR="$xsession_dir/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$xsession_dir/display" \
    >"$xsession_dir/xvfb.log" 2>&1 &
  xsession_xvfb_pid=$!
  local _
  for _ in $(seq 200); do
    [ -s "$xsession_dir/display" ] && break
    sleep 0.05
  done
  if [ ! -s "$xsession_dir/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$xsession_dir/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$xsession_dir/display")"
}

# Starts Weston with its headless backend in a private runtime folder, as
# the Wayland compositor the program runs in; exports WAYLAND_DISPLAY and
# XDG_RUNTIME_DIR and unsets DISPLAY, so that nothing can reach an X server.
# Further options for Weston may follow (a size, a renderer).
wlsession_start() { # [weston options...]
  xsession_dir=$(mktemp -d)
  trap xsession_stop EXIT
  trap 'exit 130' INT TERM
  export XDG_RUNTIME_DIR="$xsession_dir/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset DISPLAY
  export WAYLAND_DISPLAY=wayland-tessaly
  weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 --idle-time=0 \
    --no-config "$@" >"$xsession_dir/weston.log" 2>&1 &
  xsession_xvfb_pid=$!
  local _
  for _ in $(seq 200); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && return 0
    sleep 0.05
  done
  echo "Weston did not start:" >&2
  cat "$xsession_dir/weston.log" >&2
  return 1
}

# Starts a private D-Bus session bus and, on it, the accessibility bus of
# at-spi2-core, and turns accessibility on as a screen reader does, so that
# programs started afterwards join it. Exports DBUS_SESSION_BUS_ADDRESS.
# The bus daemon is a child of the script, so it ends with it.
a11y_bus_start() {
  local address="" _
  dbus-daemon --session --nofork --print-address=3 3>"$xsession_dir/bus-address" >/dev/null 2>&1 &
  xsession_bus_pid=$!
  for _ in $(seq 100); do
    address=$(head -n1 "$xsession_dir/bus-address" 2>/dev/null || true)
    [ -n "$address" ] && break
    sleep 0.05
  done
  [ -n "$address" ] || return 1
  export DBUS_SESSION_BUS_ADDRESS="$address"
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$xsession_dir/a11y-bus.log" 2>&1 &
  xsession_extra_pids+=("$!")
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true \
      >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts a client of the accessibility bus (tests/e2e/a11y_tour.py and its
# arguments) before the program, as a screen reader runs before the programs
# it reads: returns once it listens for events. a11y_client_follow then hands
# it the process id of the program started meanwhile.
a11y_client_start() { # command...
  rm -f "$xsession_dir/program.pid" "$xsession_dir/program.pid.listening"
  "$@" --pid-file "$xsession_dir/program.pid" &
  a11y_client_pid=$!
  xsession_extra_pids+=("$a11y_client_pid")
  local _
  for _ in $(seq 400); do
    [ -e "$xsession_dir/program.pid.listening" ] && return 0
    kill -0 "$a11y_client_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

a11y_client_follow() {
  echo "$xsession_program_pid" >"$xsession_dir/program.pid"
}

# The accessibility tour (tests/e2e/a11y_tour.py) as such a client, in one
# of its modes; a11y_tour_finish waits for it to end, prints the accessible
# tree it took of each window under the given heading, and fails unless the
# tour went through.
a11y_tour_start() { # python tour-script mode
  a11y_client_start "$1" "$2" --mode "$3" --trees "$xsession_dir/trees.txt"
}

a11y_tour_finish() { # heading
  local status=0
  wait "$a11y_client_pid" || status=$?
  if [ -s "$xsession_dir/trees.txt" ]; then
    echo "--- $1"
    cat "$xsession_dir/trees.txt"
  fi
  [ "$status" = 0 ] || fail "the tour stopped"
}

# Starts the program on the private display, from the given folder; its
# output goes to a log that xsession_program_log prints.
xsession_launch() { # program folder
  (cd "$2" && exec env QT_QPA_PLATFORM=xcb "$1" >"$xsession_dir/program.log" 2>&1) &
  xsession_program_pid=$!
}

# After a close request: waits up to 15 s for the program to end by itself
# and fails unless it did, with status 0.
xsession_expect_program_end() { # what-closed-it
  local _ code=0
  for _ in $(seq 300); do
    xsession_program_running || break
    sleep 0.05
  done
  xsession_program_running && fail "the program was still running 15 s after $1"
  wait "$xsession_program_pid" || code=$?
  xsession_program_pid=""
  [ "$code" = 0 ] || fail "the program ended with status $code"
}

xsession_program_log() {
  cat "$xsession_dir/program.log" 2>/dev/null || true
}

xsession_program_running() {
  kill -0 "$xsession_program_pid" 2>/dev/null
}

# Puts a file's text on the clipboard; the owner runs until the session ends.
xsession_clipboard_in() { # file
  xclip -quiet -selection clipboard -in <"$1" >/dev/null 2>&1 &
  xsession_extra_pids+=("$!")
}

xsession_clipboard_out() {
  xclip -selection clipboard -out 2>/dev/null
}

# The id of a visible window of the program with that size, if there is one.
window_of_size() { # WIDTHxHEIGHT
  local window
  for window in $(xdotool search --onlyvisible --pid "$xsession_program_pid" 2>/dev/null || true); do
    if xdotool getwindowgeometry "$window" 2>/dev/null | grep -q "Geometry: $1\$"; then
      echo "$window"
      return 0
    fi
  done
  return 1
}

windows_of_size_count() { # WIDTHxHEIGHT
  local window count=0
  for window in $(xdotool search --onlyvisible --pid "$xsession_program_pid" 2>/dev/null || true); do
    if xdotool getwindowgeometry "$window" 2>/dev/null | grep -q "Geometry: $1\$"; then
      count=$((count + 1))
    fi
  done
  echo "$count"
}

wait_for_window() { # WIDTHxHEIGHT what [seconds]
  local window _
  for _ in $(seq $((${3:-30} * 10))); do
    if window=$(window_of_size "$1"); then
      echo "$window"
      return 0
    fi
    xsession_program_running || { echo "the program ended while waiting for the $2" >&2; return 1; }
    sleep 0.1
  done
  echo "the $2 ($1) did not appear" >&2
  return 1
}

wait_until_hidden() { # window what [seconds]
  local _
  for _ in $(seq $((${3:-30} * 10))); do
    if ! xdotool search --onlyvisible --pid "$xsession_program_pid" 2>/dev/null | grep -qx "$1"; then
      return 0
    fi
    sleep 0.1
  done
  echo "the $2 did not go away" >&2
  return 1
}

window_name() { # window
  xdotool getwindowname "$1" 2>/dev/null
}

window_top() { # window
  local X="" Y="" WIDTH="" HEIGHT="" SCREEN="" WINDOW=""
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)" || return 1
  [ -n "$Y" ] || return 1
  echo "$Y"
}

# A left click at a point of a window, the pointer resting there first as a
# hand would.
click_at() { # window x y
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.2
  xdotool click 1
}

# Saves what the screen shows of a window.
capture_window() { # window file
  import -window "$1" "$2"
}

# Whatever sources this library has its cleanups run on exit, a session or
# not; starting one keeps them.
trap xsession_stop EXIT
