#!/usr/bin/env bash
# Starts the program on the current display, or inside a private virtual X
# server when there is none (a fresh server or CI machine). That server, its
# runtime folder and the program end with the script, however it is stopped.
set -euo pipefail
program="$1"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi
# shellcheck source=xsession.sh
source "$(dirname "$0")/xsession.sh"
xsession_start
echo "No display found; the program runs inside Xvfb, on display $DISPLAY, until it ends or" >&2
echo "this command is stopped. To see it: import -display $DISPLAY -window root shot.png" >&2
echo "(ImageMagick, which make test installs), then open shot.png." >&2
"$program" &
xsession_program_pid=$!
status=0
wait "$xsession_program_pid" || status=$?
xsession_program_pid=""
exit "$status"
