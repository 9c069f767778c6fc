# Chooses a mode from the Tessaly engine's menu as a desktop's panel does:
# an input context of its own, focused, whose engine registers its
# properties; the mode's radio item activated; done once the engine shows
# its menu again with that item checked, whose label is printed. Status 1
# when the menu never comes or never shows the choice (10 s each).
#
#   /usr/bin/python3 ibus_choose_mode.py WORD     (random, alternate, max-run=2, ...)
import sys

import gi

gi.require_version("IBus", "1.0")
from gi.repository import GLib, IBus  # noqa: E402

wanted = "mode." + sys.argv[1]
IBus.init()
bus = IBus.Bus()
if not bus.is_connected():
    sys.exit("no IBus daemon")
context = bus.create_input_context("tessaly-test-panel")
context.set_capabilities(IBus.Capabilite.PROPERTY | IBus.Capabilite.FOCUS)
menus = []
context.connect("register-properties", lambda _, properties: menus.append(properties.get(0)))


def checked(menu):
    items = menu.get_sub_props()
    index = 0
    while items.get(index):
        item = items.get(index)
        if item.get_state() == IBus.PropState.CHECKED:
            return item.get_key()
        index += 1
    return None


def wait_for(condition):
    context_loop = GLib.MainContext.default()
    deadline = GLib.get_monotonic_time() + 10 * 1000 * 1000
    while not condition() and GLib.get_monotonic_time() < deadline:
        context_loop.iteration(False) or GLib.usleep(10 * 1000)
    return condition()


context.focus_in()
if not wait_for(lambda: menus):
    sys.exit("the engine showed no menu")
context.property_activate(wanted, IBus.PropState.CHECKED)
if not wait_for(lambda: checked(menus[-1]) == wanted):
    sys.exit("the menu does not show %s chosen: %s" % (wanted, checked(menus[-1])))
print(menus[-1].get_label().get_text())
context.focus_out()
