#!/usr/bin/env bash
# Takes the README's pictures of the program: the splash window, the first
# popup message, the main window in the middle of a batch pass and the about
# window. Runs the program in its own Xvfb (no window manager, so the
# pictures show the windows without a title bar) and clicks through it.
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
xsession_launch "$program" "$xsession_dir"

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
sleep 1.5
capture_window "$main" "$out/main-batch-pass.png"
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
echo "screenshots in $out:"
ls "$out"
