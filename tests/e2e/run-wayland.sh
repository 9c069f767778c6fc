#!/usr/bin/env bash
# Runs the real program natively under Wayland, in Weston's headless
# compositor with a private runtime folder and no X server at all, and tours
# it through the accessibility bus by accessible actions alone: the splash,
# the three messages, the main window by its name, a pass over text set
# through the accessible text, About opened and closed. Fails if the program
# does not run on Qt's Wayland platform.
#
#   tests/e2e/run-wayland.sh PROGRAM SOURCE_FOLDER
set -euo pipefail
program="$(realpath "$1")"
source_folder="$(realpath "$2")"
# shellcheck source=../../scripts/xsession.sh
source "$source_folder/scripts/xsession.sh"


python=/usr/bin/python3
for tool in weston dbus-daemon dbus-send "$python" /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

wlsession_start || fail "could not start Weston"
a11y_bus_start || fail "could not start the accessibility bus"
a11y_tour_start "$python" "$source_folder/tests/e2e/a11y_tour.py" wayland \
  || fail "the tour did not start listening"

(cd "$xsession_dir" && exec env QT_QPA_PLATFORM=wayland "$program" >"$xsession_dir/program.log" 2>&1) &
xsession_program_pid=$!
a11y_client_follow

# The program must be on Qt's Wayland platform, not on X11 through some
# fallback: its Wayland client library is loaded and the X11 plugin is not.
for _ in $(seq 100); do
  grep -q libQt6WaylandClient "/proc/$xsession_program_pid/maps" 2>/dev/null && break
  sleep 0.1
done
grep -q libQt6WaylandClient "/proc/$xsession_program_pid/maps" 2>/dev/null \
  || fail "the program did not load Qt's Wayland client"
grep -q libqxcb "/proc/$xsession_program_pid/maps" && fail "the program loaded the X11 platform"

a11y_tour_finish "the accessible tree of each window under Wayland"
xsession_program_running || fail "the program ended by itself"
echo "== passed: the whole tour under Wayland"
[ -n "${TESSALY_WAYLAND_LOG:-}" ] && cp "$xsession_dir/program.log" "$TESSALY_WAYLAND_LOG"
true
