#!/usr/bin/env python3
"""Times "tessaly --clipboard" beside the pipeline of the desktop's own
clipboard tools through "tessaly -r", on the same display, the two taking
turns: from the command to the new text pasteable (both return once the
clipboard holds it; each result is checked by pasting, untimed). Prints the
median, fastest and slowest of each in milliseconds.

    clipboard-speed.py PROGRAM TEXT_FILE RUNS x11|wayland [PREFIX...]

PREFIX is put before every command (a user to run as, say).
"""
import statistics
import subprocess
import sys
import time

program, text_file, runs, kind = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
prefix = sys.argv[5:]
if kind == "x11":
    paste = ["xclip", "-selection", "clipboard", "-out"]
    copy = ["xclip", "-selection", "clipboard", "-in"]
else:
    paste = ["wl-paste", "--no-newline"]
    copy = ["wl-copy"]
text = open(text_file, "rb").read()


def put(data):
    subprocess.run(prefix + copy, input=data, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def pasted():
    return subprocess.run(prefix + paste, check=True, capture_output=True, timeout=30).stdout


def expected(seed):
    return subprocess.run([program, "-r", "--seed", str(seed)], input=text, check=True, capture_output=True).stdout


def ours(seed):
    started = time.perf_counter()
    subprocess.run(prefix + [program, "--clipboard", "--seed", str(seed)], check=True, stdin=subprocess.DEVNULL)
    return time.perf_counter() - started


def pipeline(seed):
    started = time.perf_counter()
    command = " | ".join([
        " ".join(prefix + paste),
        " ".join(prefix + [program, "-r", "--seed", str(seed)]),
        " ".join(prefix + copy),
    ])
    subprocess.run(["bash", "-o", "pipefail", "-c", command], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - started


times = {"tessaly --clipboard": [], "paste | tessaly -r | copy": []}
for run in range(runs):
    for name, how in (("tessaly --clipboard", ours), ("paste | tessaly -r | copy", pipeline)):
        put(text)
        # The copy tool forks and serves in the background: let it settle.
        time.sleep(0.2)
        seed = run + 1
        took = how(seed)
        got = pasted()
        if got != expected(seed):
            sys.exit(f"{name}, run {run + 1}: the clipboard holds {len(got)} bytes, not what -r gives")
        times[name].append(took * 1000)
for name, values in times.items():
    print(f"{name:28s} median {statistics.median(values):7.1f} ms   fastest {min(values):7.1f}   slowest {max(values):7.1f}"
          f"   ({len(values)} runs, {len(text)} bytes)")
