#!/usr/bin/env bash
# Measures the processor time the program uses while the notification popup
# waits for its first click: starts the program in its own Xvfb, waits until
# the popup (216 x 111 pixels) is on the screen, then reads the process's user
# and system time from /proc over a quiet interval and prints it as a share
# of one core.
#
#   scripts/idle-cpu.sh [program] [seconds]
set -euo pipefail
program="${1:-build/app/tessaly}"
seconds="${2:-10}"

# Xvfb picks a free display itself and reports its number.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
program_pid=""
cleanup() {
  if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; wait "$program_pid" 2>/dev/null || true; fi
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
display=":$(head -n1 "$display_file")"

DISPLAY="$display" QT_QPA_PLATFORM=xcb "$program" >/dev/null 2>&1 &
program_pid=$!

# The splash shows for three seconds; then the popup comes up and waits.
found=""
for _ in $(seq 100); do
  for window in $(DISPLAY="$display" xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null || true); do
    if DISPLAY="$display" xdotool getwindowgeometry "$window" 2>/dev/null | grep -q 'Geometry: 216x111'; then
      found="$window"
    fi
  done
  [ -n "$found" ] && break
  sleep 0.1
done
[ -n "$found" ] || { echo "the popup did not appear" >&2; exit 1; }
sleep 1 # let the first paints settle

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$program_pid/stat"; }
start_ticks=$(cpu_ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(cpu_ticks)
end_ns=$(date +%s%N)

awk -v ticks=$((end_ticks - start_ticks)) -v hz="$ticks_per_second" -v ns=$((end_ns - start_ns)) 'BEGIN {
  cpu = ticks / hz
  wall = ns / 1e9
  printf "popup waiting: %.2f s of processor time in %.1f s = %.2f %% of one core\n", cpu, wall, 100 * cpu / wall
}'
