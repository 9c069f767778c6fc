#!/usr/bin/env bash
# "tessaly --clipboard" beside "xclip -o | tessaly -r | xclip -i" in a
# private Xvfb, and beside "wl-paste | tessaly -r | wl-copy" in headless
# compositors, ten runs each, taking turns (scripts/clipboard-speed.py).
#
#   scripts/bench-clipboard.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build}/app/tessaly")"
text="$PWD/tests/core/data/seed-text.txt"
# shellcheck source=xsession.sh
source scripts/xsession.sh

echo "-- X11 (Xvfb, no clipboard manager)"
(
  xsession_start || fail "could not start Xvfb"
  unset WAYLAND_DISPLAY WAYLAND_SOCKET
  python3 scripts/clipboard-speed.py "$program" "$text" 10 x11
)
