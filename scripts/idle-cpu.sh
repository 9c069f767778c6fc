#!/usr/bin/env bash
# Measures the processor time the program uses while the notification popup
# waits for its first click: starts the program in a private Xvfb, waits until
# the popup (216 x 111 pixels) is on the screen, then reads the process's user
# and system time from /proc over a quiet interval and prints it as a share
# of one core.
#
#   scripts/idle-cpu.sh [program] [seconds]
set -euo pipefail
program="${1:-build/app/tessaly}"
seconds="${2:-10}"

# shellcheck source=xsession.sh
source "$(dirname "$0")/xsession.sh"
xsession_start || fail "could not start Xvfb"
xsession_launch "$(realpath "$program")" "$xsession_dir"

# The splash shows for three seconds; then the popup comes up and waits.
wait_for_window 216x111 popup >/dev/null || exit 1
sleep 1 # let the first paints settle

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$xsession_program_pid/stat"; }
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
