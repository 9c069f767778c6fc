#!/usr/bin/env bash
# Takes the README's pictures of the program: the splash window, the first
# popup message, the main window in the middle of a batch pass (with the
# title bar a window manager gives it) and the about window, in a private
# Xvfb with Openbox; then the main window natively under Wayland, in a
# headless Weston, driven through the accessibility bus; then the main
# window with the same text at screen scales 1 and 2.
#
#   scripts/screenshots.sh [program] [folder]     (make screenshots)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program="$(realpath "${1:-build/app/tessaly}")"
mkdir -p "${2:-docs/screenshots}"
out="$(realpath "${2:-docs/screenshots}")"

# shellcheck source=xsession.sh
source "$here/xsession.sh"
xsession_start
openbox --sm-disable >"$xsession_dir/openbox.log" 2>&1 &
xsession_extra_pids+=("$!")
sleep 1
xsession_launch "$program" "$xsession_dir"

# A window with the frame the window manager put around it.
capture_framed_window() { # window file
  local extents left right top bottom x y width height
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  read -r left right top bottom <<<"$extents"
  x=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print $4}')
  y=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/ {print $4}')
  width=$(xwininfo -id "$1" | awk '/Width:/ {print $2}')
  height=$(xwininfo -id "$1" | awk '/Height:/ {print $2}')
  import -window root -crop "$((width + left + right))x$((height + top + bottom))+$((x - left))+$((y - top))" +repage "$2"
}

splash=$(wait_for_window 342x234 "splash window")
sleep 1
capture_window "$splash" "$out/splash.png"

popup=$(wait_for_window 216x111 "notification popup")
sleep 0.5
capture_window "$popup" "$out/popup.png"
for _ in Next Next Close; do
  popup=$(wait_for_window 216x111 "notification popup" 10)
  sleep 0.3
  click_at "$popup" 183 67
  sleep 0.3
done

main=$(wait_for_window 314x245 "main window")
# A long text, pasted, so that the pass lasts long enough to be caught.
python3 - >"$xsession_dir/text.txt" <<'EOF'
# Lines short enough that the box never scrolls sideways to the caret.
lines = [
    "how are you? every letter of this",
    "text comes out in a case drawn at",
    "random, one character at a time.",
    "type a question in plain letters",
    "and watch it change.",
]
text = "\n".join(lines) + "\n"
print(text * 8000, end="")
EOF
xsession_clipboard_in "$xsession_dir/text.txt"
click_at "$main" 150 100
xdotool key ctrl+v
sleep 2
xdotool key ctrl+Home
sleep 0.5
click_at "$main" 192 234 # "Randomize Case"
# (The pass over this text takes about 0.6 s on a fast machine, a few
# seconds on a slow one: early enough to find it running on either.)
sleep 0.3
capture_framed_window "$main" "$out/main-batch-pass.png"
echo "main window title at that moment: $(window_name "$main")"

# "&About" in the middle of the pass: the pass goes on behind it.
click_at "$main" 288 234
about=$(wait_for_window 264x280 "about window" 10)
xdotool mousemove --window "$about" 30 120 # off the button and the list, so both show at rest
sleep 0.5
capture_window "$about" "$out/about.png"

python3 "$here/x11-close-window.py" "$main"
for _ in $(seq 600); do
  xsession_program_running || break
  sleep 0.1
done
xsession_stop

# Under Wayland: the compositor's own screenshot of its screen.
# A renderer that draws, and --debug, let weston-screenshooter take the picture.
wlsession_start --use-pixman --debug --width=800 --height=600 || fail "could not start Weston"
a11y_bus_start || fail "could not start the accessibility bus"
(cd "$xsession_dir" && exec env QT_QPA_PLATFORM=wayland "$program" >"$xsession_dir/program.log" 2>&1) &
xsession_program_pid=$!
PYTHONPATH="$here/../tests/e2e" /usr/bin/python3 - "$xsession_program_pid" <<'PY'
import sys
import time

import pyatspi
from a11y_tour import MESSAGES, PRODUCT, Tour, find, press, wait_for

tour = Tour("wayland")
tour.pid = int(sys.argv[1])
wait_for("the application", tour.application, 30)
for message, link in MESSAGES:
    popup = wait_for("a message", lambda m=message: tour.popup_with(m), 30)
    press(find(popup, pyatspi.ROLE_LINK, link))
    wait_for("the message to go", lambda m=message: not tour.popup_with(m), 10)
main = tour.window(pyatspi.ROLE_FRAME, PRODUCT, 20)
text = "hOw ARe YoU? Every letter comes out\nin a case drawn at random, natively\nunder Wayland.\n"
find(main, pyatspi.ROLE_TEXT).queryEditableText().setTextContents(text)
time.sleep(1)
PY
(cd "$xsession_dir" && weston-screenshooter >/dev/null 2>&1)
# The whole of Weston's desktop, the window on it with the title bar that
# Qt's client-side decoration draws.
cp "$(ls "$xsession_dir"/wayland-screenshot-*.png | head -n1)" "$out/main-wayland.png"
xsession_stop

# The main window with the same text at screen scales 1 and 2, side by side.
for scale in 1 2; do
  xsession_start
  openbox --sm-disable >"$xsession_dir/openbox.log" 2>&1 &
  xsession_extra_pids+=("$!")
  sleep 1
  (cd "$xsession_dir" && exec env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$program" >"$xsession_dir/program.log" 2>&1) &
  xsession_program_pid=$!
  for _ in Next Next Close; do
    popup=$(wait_for_window "$((216 * scale))x$((111 * scale))" "notification popup at scale $scale")
    sleep 0.3
    click_at "$popup" $((183 * scale)) $((67 * scale))
    sleep 0.3
  done
  main=$(wait_for_window "$((314 * scale))x$((245 * scale))" "main window at scale $scale")
  sleep 0.5
  for line in "how are you?" "every letter comes out" "in a case drawn at random."; do
    xdotool type --delay 30 "$line"
    xdotool key Return
  done
  sleep 0.5
  capture_framed_window "$main" "$out/main-scale$scale.png"
  xsession_stop
done
echo "screenshots in $out:"
ls "$out"
