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

# Under Wayland the tools and the program run as the compositor's user, in
# its session; the text is handed over through a file that user can read.
for compositor in sway kwin mutter; do
  echo "-- Wayland, $compositor (headless)"
  (
    # shellcheck source=../tests/e2e/wayland-compositor.sh
    source tests/e2e/wayland-compositor.sh
    wlc_start "$compositor" || fail "could not start $compositor"
    cp "$text" "$wlc_dir/text"
    chmod a+r "$wlc_dir/text"
    # Copies the session's user can run, wherever the build lies.
    mkdir -m 755 "$wlc_dir/bin"
    install -m 755 "$program" "$(dirname "$program")/tessaly-clipboard" "$wlc_dir/bin/"
    python3 scripts/clipboard-speed.py "$wlc_dir/bin/tessaly" "$wlc_dir/text" 10 wayland "${wlc_as[@]}"
  )
done
