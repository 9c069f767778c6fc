"""Starts Orca with its debug log written line by line: the log is where
the end-to-end test reads what Orca speaks, while Orca runs, and Orca
itself opens it with a block buffer.

  orca_line_log.py LOG
"""
import builtins
import runpy
import sys

log = sys.argv[1]
buffered_open = builtins.open


def line_buffered_open(file, mode="r", *args, **kwargs):
    if file == log and "w" in mode and not args and "buffering" not in kwargs:
        return buffered_open(file, mode, 1, **kwargs)
    return buffered_open(file, mode, *args, **kwargs)


builtins.open = line_buffered_open
sys.argv = ["/usr/bin/orca", "--debug-file", log]
runpy.run_path("/usr/bin/orca", run_name="__main__")
