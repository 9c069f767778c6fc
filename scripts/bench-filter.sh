#!/usr/bin/env bash
# Times the command-line filter end to end through a pipe, as a user runs
# it (tessaly -r < file > /dev/null), on 64 MiB of English ASCII text and
# 64 MiB of mixed text, beside cat through the same pipe; then streams 2 GiB
# through it and reports the peak memory.
#
#   scripts/bench-filter.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build}/app/tessaly")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
size=$((64 * 1024 * 1024))

best_seconds() { # command... ; the best of five runs
  python3 - "$@" <<'PY'
import subprocess, sys, time
best = None
for _ in range(5):
    start = time.perf_counter()
    subprocess.run(["bash", "-c", sys.argv[1]], check=True)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(f"{best:.4f}")
PY
}

for kind in ascii mixed; do
  python3 tools/make-filter-text.py "$kind" "$size" "$work/$kind.txt"
  filter=$(best_seconds "'$program' -r < '$work/$kind.txt' > /dev/null")
  cat=$(best_seconds "cat < '$work/$kind.txt' > /dev/null")
  peak=$( { /usr/bin/time -f "%M" "$program" -r <"$work/$kind.txt" >/dev/null; } 2>&1 | tail -n1)
  python3 - "$kind" "$size" "$filter" "$cat" "$peak" <<'PY'
import sys
kind, size, filt, cat, peak = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5])
mb = size / 1e6
print(f"{kind:6s} 64 MiB: tessaly -r {mb / filt:7.0f} MB/s ({filt * 1000:.0f} ms), cat {mb / cat:7.0f} MB/s"
      f" ({cat * 1000:.0f} ms): {cat / filt * 100:.0f} % of cat's speed; peak memory {peak / 1024:.1f} MB")
PY
done
peak=$( { head -c $((2 * 1024 * 1024 * 1024)) /dev/zero | tr '\0' 'x' \
          | /usr/bin/time -f "%M" "$program" -r >/dev/null; } 2>&1 | tail -n1)
echo "2 GiB streamed through a pipe: peak memory $((peak / 1024)) MB"
