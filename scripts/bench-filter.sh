#!/usr/bin/env bash
# Times the command-line filter as a user runs it, on 64 MiB of English ASCII
# text and 64 MiB of mixed text, beside `tr a-z A-Z` and `cat` on the same
# input, and its modes beside plain -r (--alternate, --max-run 2): the
# processor time of the whole process (user + system, the best of five
# runs, the commands taking turns), once from a file to /dev/null and once
# through real pipes (cat FILE | PROGRAM | cat > /dev/null, the middle
# process timed); then streams 2 GiB through it and reports the peak memory.
#
#   scripts/bench-filter.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build}/app/tessaly")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
size=$((64 * 1024 * 1024))

# The best processor time of five runs of each command given its input file,
# the commands taking turns so that they share whatever else the machine
# does: "file" reads it and writes to /dev/null; "pipe" gets it from cat and
# writes to cat. One line each, in the order given.
cpu_seconds() { # file|pipe input "command"...
  local how="$1" input="$2"
  shift 2
  python3 - "$how" "$input" "$@" <<'PY'
import os, shlex, subprocess, sys
how, path, commands = sys.argv[1], sys.argv[2], [shlex.split(c) for c in sys.argv[3:]]
best = [None] * len(commands)
for _ in range(5):
    for k, command in enumerate(commands):
        with open(os.devnull, "wb") as sink:
            if how == "file":
                with open(path, "rb") as source:
                    process = subprocess.Popen(command, stdin=source, stdout=sink)
                    _, status, usage = os.wait4(process.pid, 0)
            else:
                feeder = subprocess.Popen(["cat", path], stdout=subprocess.PIPE)
                drain = subprocess.Popen(["cat"], stdin=subprocess.PIPE, stdout=sink)
                process = subprocess.Popen(command, stdin=feeder.stdout, stdout=drain.stdin)
                feeder.stdout.close()
                drain.stdin.close()
                _, status, usage = os.wait4(process.pid, 0)
                feeder.wait()
                drain.wait()
        if status != 0:
            sys.exit(f"{command} failed")
        seconds = usage.ru_utime + usage.ru_stime
        best[k] = seconds if best[k] is None else min(best[k], seconds)
for seconds in best:
    print(f"{seconds:.4f}")
PY
}

for kind in ascii mixed; do
  python3 tools/make-filter-text.py "$kind" "$size" "$work/$kind.txt"
  for how in file pipe; do
    { read -r filter; read -r alternate; read -r maxrun; read -r tr; read -r cat; } < <(
      cpu_seconds "$how" "$work/$kind.txt" "'$program' -r" "'$program' -r --alternate" \
        "'$program' -r --max-run 2" "tr a-z A-Z" cat)
    python3 - "$kind" "$how" "$size" "$filter" "$tr" "$cat" "$alternate" "$maxrun" <<'PY'
import sys
kind, how, size, filt, tr, cat, alternate, maxrun = sys.argv[1], sys.argv[2], int(sys.argv[3]), *map(float, sys.argv[4:])
mb = size / 1e6
rate = lambda seconds: mb / max(seconds, 1e-6)
where = "file to /dev/null" if how == "file" else "through pipes    "
# The goals, and where the filter stood before its fast paths (file to
# /dev/null): 0.98x tr on ASCII, 0.021-0.026x cat on mixed text.
goal = "goal >= 1.50x tr, was 0.98x" if kind == "ascii" else "goal >= 0.060x cat, was 0.021-0.026x"
print(f"{kind:6s} 64 MiB, {where}: tessaly -r {rate(filt):6.0f} MB per CPU-second"
      f" ({tr / filt:4.2f}x tr a-z A-Z at {rate(tr):5.0f}, {cat / filt:5.3f}x cat at {rate(cat):5.0f};"
      f" {goal})")
# The modes against -r of the same turns: --alternate at least as fast on
# ASCII, --max-run 2 within 1.3 times its time.
print(f"{'':6s} {'':26s}  --alternate {rate(alternate):6.0f} ({alternate / filt:4.2f}x the time of -r),"
      f" --max-run 2 {rate(maxrun):6.0f} ({maxrun / filt:4.2f}x)")
PY
  done
  peak=$( { /usr/bin/time -f "%M" "$program" -r <"$work/$kind.txt" >/dev/null; } 2>&1 | tail -n1)
  echo "$kind 64 MiB: peak memory $((peak / 1024)) MB"
done
peak=$( { head -c $((2 * 1024 * 1024 * 1024)) /dev/zero | tr '\0' 'x' \
          | /usr/bin/time -f "%M" "$program" -r >/dev/null; } 2>&1 | tail -n1)
echo "2 GiB streamed through a pipe: peak memory $((peak / 1024)) MB"
