#!/usr/bin/env bash
# Runs the program once under memcheck in a private virtual X server and
# drives it as a user would: the three popup messages, some typing, one
# "Randomize Case" pass, then closing the main window, which flies away and
# ends the program by itself. Fails when memcheck saw an invalid read or
# write, or a use of an uninitialised value, in our code; errors that lie
# wholly inside system libraries are listed apart and do not fail the run.
#
#   scripts/valgrind-run.sh [OUTPUT_DIR]    (default: build/valgrind)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-build/valgrind}

./scripts/install-deps.sh valgrind
make --no-print-directory build
# The program of the windows itself: the tessaly launcher would only exec it.
program=$root/build/app/tessaly-gui
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/memcheck.*.xml "$out"/memcheck.*.log "$out"/*.png

started=$SECONDS
say() { printf '[%4ds] %s\n' $((SECONDS - started)) "$*"; }

# shellcheck source=xsession.sh
source "$root/scripts/xsession.sh"
xsession_start || fail "could not start Xvfb"
say "Xvfb on $DISPLAY"

snapshot() { import -window root "$out/$1.png" 2>/dev/null || true; }

popup_size=216x111
main_size=314x245

# Leaks are LeakSanitizer's job (make test-sanitize); here only invalid
# accesses and uninitialised values count. A child the libraries fork (a
# session-bus launcher) stays silent and cannot write into our log.
QT_QPA_PLATFORM=xcb valgrind --tool=memcheck --error-exitcode=99 \
  --track-origins=yes --num-callers=40 --leak-check=no --errors-for-leak-kinds=none \
  --child-silent-after-fork=yes \
  --suppressions="$root/scripts/valgrind.supp" \
  --xml=yes --xml-file="$out/memcheck.%p.xml" --log-file="$out/memcheck.%p.log" \
  "$program" >"$out/program.log" 2>&1 &
xsession_program_pid=$!
main_pid=$xsession_program_pid
say "program started under memcheck (pid $xsession_program_pid)"

# The message lines of the popup (below its moving segment), to see a
# click take effect: hiding the popup and showing the next message happen
# within one pass of the event loop, too quickly to watch the window.
message_area() { import -window "$1" -crop 200x28+8+80 rgb:- 2>/dev/null | md5sum; }

# The splash window stays 3 s, then the popup brings three messages; the
# link sits at about (160..200, 56..72) of the popup.
for message in 1 2 3; do
  popup=$(wait_for_window "$popup_size" popup 600)
  say "popup message $message shown (window $popup)"
  xdotool mousemove --window "$popup" 180 64
  sleep 5 # let it finish painting, the underlined link too, before the click
  snapshot "popup-$message"
  before=$(message_area "$popup")
  xdotool click 1
  if [ "$message" -lt 3 ]; then
    deadline=$((SECONDS + 300))
    while [ "$(message_area "$popup")" = "$before" ]; do
      [ $SECONDS -lt $deadline ] || { echo "the popup did not take click $message" >&2; exit 1; }
      sleep 1
    done
  fi
done

main=$(wait_for_window "$main_size" "main window" 600)
say "main window shown (window $main)"
sleep 10
# Focus the text box with a click, then type.
xdotool mousemove --window "$main" 150 100 click 1
sleep 3
xdotool windowfocus "$main" 2>/dev/null || true
xdotool type --delay 300 "Hello, world! 123"
xdotool key Return
xdotool type --delay 300 "second line"
sleep 10
snapshot typed
say "typed; title: $(xdotool getwindowname "$main")"

# "Randomize Case" is the wide button at the bottom: 128..257 x 226..243.
xdotool mousemove --window "$main" 192 234
sleep 2
xdotool click 1
sleep 60
snapshot randomized
say "randomized; title: $(xdotool getwindowname "$main")"

"$root/scripts/x11-close-window.py" "$main"
say "asked the main window to close"
deadline=$((SECONDS + 600))
while kill -0 "$xsession_program_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
  sleep 1
done
if kill -0 "$xsession_program_pid" 2>/dev/null; then
  echo "the program did not end by itself within 600 s of the close" >&2
  exit 1
fi
status=0
wait "$xsession_program_pid" || status=$?
xsession_program_pid=""
say "program ended with status $status"

if ! python3 "$root/scripts/memcheck-report.py" "$out/memcheck.$main_pid.xml" "$root" "$program"; then
  exit 1
fi
if [ "$status" -ne 0 ] && [ "$status" -ne 99 ]; then
  echo "the program ended with status $status" >&2
  exit 1
fi
say "done; logs in $out"
