# GTK 3 entries for the input method's end-to-end test (run-ibus.sh), in
# one window, Tab going from one to the next: an ordinary entry, a password
# entry (hidden, as GTK makes it) and a PIN entry the text of which shows.
# Each writes its text to FOLDER/<name> on every change (whole, through a
# rename); the window's X11 id is printed once it is shown. With --times,
# also a line on standard output for every change of the first entry: the
# time (CLOCK_MONOTONIC, in nanoseconds) and the text's length, for
# scripts/ibus-speed.py.
#
#   /usr/bin/python3 ime_entries.py FOLDER [--times]
import os
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

folder = sys.argv[1]
times = sys.argv[2:] == ["--times"]


def keep(entry, name):
    if times and name == "plain":
        print(time.monotonic_ns(), len(entry.get_text()), flush=True)
    path = os.path.join(folder, name)
    with open(path + ".new", "w", encoding="utf-8") as out:
        out.write(entry.get_text())
    os.replace(path + ".new", path)


window = Gtk.Window(title="tessaly-ibus-gtk")
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
window.add(box)
plain = Gtk.Entry()
password = Gtk.Entry()
password.set_visibility(False)
password.set_input_purpose(Gtk.InputPurpose.PASSWORD)
pin = Gtk.Entry()
pin.set_input_purpose(Gtk.InputPurpose.PIN)
for entry, name in ((plain, "plain"), (password, "password"), (pin, "pin")):
    entry.connect("changed", keep, name)
    box.add(entry)
window.connect("destroy", Gtk.main_quit)
window.show_all()
print(window.get_window().get_xid(), flush=True)
Gtk.main()
