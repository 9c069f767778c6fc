#!/usr/bin/env bash
# Measures the real program as a user meets it, in its own Xvfb:
#   start-up   time from process start until the splash is on the screen
#   idle       processor share with the main window open and nothing happening
#   pass SIZE  a pasted text of SIZE characters randomized: time, peak memory,
#              and whether every character came back (case aside)
#   closing    a close request in the middle of a pass: the program ends by itself
#
#   scripts/trials.sh [program] [pass sizes in characters...]
set -euo pipefail
program="$(realpath "${1:-build/app/tessaly}")"
shift || true
sizes=("${@:-1048576}")
here="$(cd "$(dirname "$0")" && pwd)"

# shellcheck source=xsession.sh
source "$here/xsession.sh"
xsession_start || fail "could not start Xvfb"
work="$xsession_dir"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$xsession_program_pid/stat"; }
cpu_share() { # seconds: percentage of one core over that time
  local start end hz
  hz=$(getconf CLK_TCK)
  start=$(cpu_ticks)
  sleep "$1"
  end=$(cpu_ticks)
  awk -v t=$((end - start)) -v hz="$hz" -v s="$1" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}
wait_until_idle() { # waits until the program uses (almost) no processor for a second
  local before after
  for _ in $(seq 600); do
    before=$(cpu_ticks); sleep 1; after=$(cpu_ticks)
    [ $((after - before)) -le 5 ] && return 0
  done
  return 1
}
start_program() {
  local started_ns splash popup link_x link_y
  started_ns=$(date +%s%N)
  xsession_launch "$program" "$xsession_dir"
  # The splash: 342 x 234 pixels.
  for _ in $(seq 2000); do
    if splash=$(window_of_size 342x234); then break; fi
    sleep 0.005
  done
  echo "start-up: splash on the screen after $(( ($(date +%s%N) - started_ns) / 1000000 )) ms"
  popup=$(wait_for_window 216x111 popup)
  eval "$(xdotool getwindowgeometry --shell "$popup")"
  link_x=$((X + 3 + 160 + 20))
  link_y=$((Y + 3 + 56 + 8))
  for _ in 1 2 3; do
    sleep 0.5
    xdotool mousemove "$link_x" "$link_y" click 1
  done
  main=$(wait_for_window 314x245 "main window")
  eval "$(xdotool getwindowgeometry --shell "$main")"
  main_x=$X
  main_y=$Y
  xdotool mousemove $((main_x + 150)) $((main_y + 100)) click 1
}

start_program
sleep 2
echo "idle: main window open, nothing happening: $(cpu_share 10) % of one core"

for size in "${sizes[@]}"; do
  python3 - "$size" >"$work/input.txt" <<'EOF'
import random, sys
size = int(sys.argv[1])
rng = random.Random(11)
pieces = ["how", "are", "you", "Tessaly", "42", "\u00e9t\u00e9", "stra\u00dfe", "\u05e9\u05dc\u05d5\u05dd",
          "e\u0301", "\U0001F600", "\U00010428", "\u0000", "!"]
out, n = [], 0
while n < size:
    word = rng.choice(pieces)
    out.append(word)
    n += len(word)
    sep = "\n" if rng.random() < 0.03 else " "
    out.append(sep)
    n += 1
sys.stdout.write("".join(out)[:size])
EOF
  xclip -selection clipboard -in <"$work/input.txt"
  xdotool key --window "$main" ctrl+a
  xdotool key --window "$main" ctrl+v
  wait_until_idle
  clicked_ns=$(date +%s%N)
  xdotool mousemove $((main_x + 192)) $((main_y + 234)) click 1
  sleep 1
  wait_until_idle
  elapsed_ms=$(( ($(date +%s%N) - clicked_ns) / 1000000 - 1000 ))
  peak=$(awk '/VmHWM/ { print $2 }' "/proc/$xsession_program_pid/status")
  xdotool key --window "$main" ctrl+a
  xdotool key --window "$main" ctrl+c
  # A large selection takes a while to cross the clipboard.
  for _ in $(seq 60); do
    sleep 0.5
    xclip -selection clipboard -out >"$work/output.txt" 2>/dev/null || true
    cmp -s "$work/input.txt" "$work/output.txt" || break
  done
  verdict=$(python3 - "$work/input.txt" "$work/output.txt" <<'EOF'
import sys
a = open(sys.argv[1], encoding="utf-8", errors="surrogatepass").read()
b = open(sys.argv[2], encoding="utf-8", errors="surrogatepass").read()
if len(a) != len(b):
    print("LOST: %d characters in, %d out" % (len(a), len(b)))
elif a.lower() != b.lower() and any(x.lower() != y.lower() for x, y in zip(a, b)):
    print("CHANGED apart from case")
else:
    changed = sum(1 for x, y in zip(a, b) if x != y)
    print("every character back, %d changed case" % changed)
EOF
)
  echo "pass of $size characters: about $elapsed_ms ms, peak memory $((peak / 1024)) MB, $verdict"
done

# A close request in the middle of a pass ends the program after the animation.
xclip -selection clipboard -in <"$work/input.txt"
xdotool mousemove $((main_x + 192)) $((main_y + 234)) click 1
sleep 0.5
python3 "$here/x11-close-window.py" "$main"
for i in $(seq 100); do
  kill -0 "$xsession_program_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$xsession_program_pid" 2>/dev/null; then
  echo "closing during a pass: the program did NOT end"
  exit 1
fi
status=0
wait "$xsession_program_pid" 2>/dev/null || status=$?
xsession_program_pid=""
if [ "$status" -ne 0 ]; then
  echo "closing during a pass: the program ended with status $status:"
  tail -n 20 "$work/program.log"
  exit 1
fi
echo "closing during a pass: the program ended by itself after about $((i * 100)) ms"
