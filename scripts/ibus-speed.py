"""The time from a key sent to the X server to its text in the entry, with
Tessaly's engine and with the plain layout engine (xkb:us::eng) taking
turns, in a session scripts/bench-ibus.sh set up. The key goes in through
XTest; the entry (tests/e2e/ime_line_edit --times, or the GTK entry of
tests/e2e/ime_entries.py --times) says when its text changed, on the same
clock (CLOCK_MONOTONIC). One key at a time, each once the one before is in,
a short pause between them.

  python3 ibus-speed.py ROUNDS KEYS NAME COMMAND...
"""
import ctypes
import random
import signal
import statistics
import subprocess
import sys
import time

rounds, keys_per_round, name = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
command = sys.argv[4:]

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XFlush.argtypes = [ctypes.c_void_p]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no X display")


def code(keysym):
    return x11.XKeysymToKeycode(display, x11.XStringToKeysym(keysym.encode()))


def tap(keycode):
    xtst.XTestFakeKeyEvent(display, keycode, 1, 0)
    xtst.XTestFakeKeyEvent(display, keycode, 0, 0)
    x11.XFlush(display)


def silent(*_):
    raise TimeoutError("the entry said nothing for 30 s")


signal.signal(signal.SIGALRM, silent)
app = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
try:
    window = app.stdout.readline().strip()
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    letters = [code(c) for c in "abcdefghij"]
    control, backspace, key_a = code("Control_L"), code("BackSpace"), code("a")
    length = 0

    def changed():
        """The next change the entry reports: (time, length)."""
        signal.alarm(30)
        stamp, size = app.stdout.readline().split()
        signal.alarm(0)
        return int(stamp), int(size)

    def clear():
        global length
        if length == 0:
            return
        xtst.XTestFakeKeyEvent(display, control, 1, 0)
        tap(key_a)
        xtst.XTestFakeKeyEvent(display, control, 0, 0)
        tap(backspace)
        while changed()[1] != 0:
            pass
        length = 0

    def one_key(keycode):
        """Sends a key and returns the time until the entry has its text."""
        global length
        sent = time.monotonic_ns()
        tap(keycode)
        while True:
            stamp, size = changed()
            if size == length + 1:
                length = size
                return stamp - sent

    times = {"xkb:us::eng": [], "tessaly": []}
    order = list(times)
    for round_ in range(rounds):
        for engine in order if round_ % 2 == 0 else reversed(order):
            subprocess.run(["ibus", "engine", engine], capture_output=True)
            # The focus taken again, as a switch of input source leaves it,
            # and one key to warm the path.
            subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
            clear()
            one_key(letters[0])
            clear()
            for k in range(keys_per_round):
                times[engine].append(one_key(letters[k % len(letters)]))
                time.sleep(random.uniform(0.02, 0.04))
            clear()
    plain = statistics.median(times["xkb:us::eng"])
    ours = statistics.median(times["tessaly"])
    for engine, values in times.items():
        values.sort()
        print(f"   {name}, {engine:12s}: median {statistics.median(values) / 1000:7.0f} us,"
              f" p90 {values[int(len(values) * 0.9)] / 1000:7.0f} us ({len(values)} keys)")
    verdict = "within" if ours <= 1.2 * plain else "NOT within"
    print(f"   {name}: Tessaly / layout engine = {ours / plain:.2f} ({verdict} 1.2)")
finally:
    app.terminate()
    app.wait()
