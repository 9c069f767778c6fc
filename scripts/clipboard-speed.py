#!/usr/bin/env python3
"""Times "tessaly --clipboard" beside the pipeline of the desktop's own
clipboard tools through "tessaly -r", on the same display, the two taking
turns: from the command to the new text pasteable (both return once the
clipboard holds it; each result is checked by pasting, untimed). Prints the
median, fastest and slowest of each in milliseconds.

    clipboard-speed.py [--baseline OTHER] PROGRAM TEXT_FILE RUNS x11|wayland [PREFIX...]

PREFIX is put before every command (a user to run as, say). OTHER, another
build's tessaly, takes its turns too with its own --clipboard.
"""
import statistics
import subprocess
import sys
import time

arguments = sys.argv[1:]
baseline = None
if arguments[:1] == ["--baseline"]:
    baseline, arguments = arguments[1], arguments[2:]
program, text_file, runs, kind = arguments[0], arguments[1], int(arguments[2]), arguments[3]
prefix = arguments[4:]
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


def clipboard_run(which):
    def run(seed):
        started = time.perf_counter()
        subprocess.run(prefix + [which, "--clipboard", "--seed", str(seed)], check=True, stdin=subprocess.DEVNULL)
        return time.perf_counter() - started
    return run


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


contestants = [("tessaly --clipboard", clipboard_run(program)), ("paste | tessaly -r | copy", pipeline)]
if baseline:
    contestants.append(("baseline's tessaly --clipboard", clipboard_run(baseline)))
times = {name: [] for name, _ in contestants}
for run in range(runs):
    for name, how in contestants:
        put(text)
        # The copy tool forks and serves in the background: let it settle.
        time.sleep(0.2)
        seed = run + 1
        took = how(seed)
        got = pasted()
        # The baseline may have done it otherwise: its time is what counts.
        if not name.startswith("baseline") and got != expected(seed):
            sys.exit(f"{name}, run {run + 1}: the clipboard holds {len(got)} bytes, not what -r gives")
        times[name].append(took * 1000)
for name, values in times.items():
    print(f"{name:32s} median {statistics.median(values):7.1f} ms   fastest {min(values):7.1f}   slowest {max(values):7.1f}"
          f"   ({len(values)} runs, {len(text)} bytes)")
