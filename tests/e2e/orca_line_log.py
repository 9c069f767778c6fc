"""Starts Orca with its debug log written line by line: the log is where
the end-to-end test reads what Orca speaks, while Orca runs, and Orca
itself opens it with a block buffer.

Orca refuses to start while another Orca of the same user runs. In a PID
namespace of its own it sees none; where none can be made (a container, a
chroot) it would see those of every other session on the machine, so its
search is narrowed to the Orcas of this session (this D-Bus session bus).

  orca_line_log.py LOG
"""
import builtins
import io
import os
import runpy
import subprocess
import sys

log = sys.argv[1]
buffered_open = builtins.open


def line_buffered_open(file, mode="r", *args, **kwargs):
    if file == log and "w" in mode and not args and "buffering" not in kwargs:
        return buffered_open(file, mode, 1, **kwargs)
    return buffered_open(file, mode, *args, **kwargs)


def in_this_session(pid):
    wanted = b"DBUS_SESSION_BUS_ADDRESS=" + os.environ.get("DBUS_SESSION_BUS_ADDRESS", "").encode()
    try:
        with buffered_open(f"/proc/{pid}/environ", "rb") as environ:
            return wanted in environ.read().split(b"\0")
    except OSError:
        return False


class SessionPopen(subprocess.Popen):
    """pgrep for Orcas, answered with the ones of this session alone."""

    def __init__(self, args, *rest, **kwargs):
        command = args if isinstance(args, str) else " ".join(map(str, args))
        super().__init__(args, *rest, **kwargs)
        if command.startswith("pgrep") and "orca" in command and self.stdout is not None:
            found = self.stdout.read().split()
            self.stdout.close()
            kept = [pid for pid in found if in_this_session(pid.decode())]
            self.stdout = io.BytesIO(b"\n".join(kept) + (b"\n" if kept else b""))


builtins.open = line_buffered_open
subprocess.Popen = SessionPopen
sys.argv = ["/usr/bin/orca", "--debug-file", log]
runpy.run_path("/usr/bin/orca", run_name="__main__")
