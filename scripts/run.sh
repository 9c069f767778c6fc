#!/usr/bin/env bash
# Starts the program on the current display, or inside a virtual X server
# when there is none (a fresh server or CI machine).
set -euo pipefail
program="$1"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi
echo "No display found; starting the program inside Xvfb, on a free display." >&2
exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$program"
