"""Uses the running program the way a screen reader and an automation client
do: through the accessibility bus (AT-SPI), with pyatspi, the client library
Orca itself uses. Nothing here moves or clicks the pointer.

  a11y_tour.py --pid-file FILE --mode actions|keys|wayland [--trees FILE]

The tour listens for events first and says so by creating FILE.listening;
the caller then starts the program and writes its process id to FILE. A
screen reader is running before the programs it reads, and a listener that
registers while a program's accessibility bridge is starting up can be
missed by it.

actions: the popup's link and "Randomize Case" are pressed through their
accessible actions, a long text is added through the accessible text, and
the progress bar is read while the pass runs; the pass tells one text
change, as it ends, over the span it changed.
keys: the whole tour with key presses alone, ending with Ctrl+Q.
Both read the popup's messages, the status line, the text and the about
window, and end with the program's own end after the closing animation.
wayland: accessible actions alone (no program can make key events under
Wayland): the messages, a pass over text set through the accessible text,
About opened and closed by its buttons; the caller ends the program.
"""
import argparse
import os
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

PRODUCT = "Morvane's Tessaly"
MESSAGES = [
    ("This is the final freeware by \n Morvane for the year 2003.", "Next"),
    ("This randomly changes what\nyou typed into upper or lower cases,", "Next"),
    ("Achieving this kind of effect:\nhOw ARe YoU?", "Close"),
]
SENTENCE = "the quick brown fox jumps over the lazy dog"
# The screen's scale the program runs at: under X11 assistive technology
# takes extents in device pixels, the window's own pixels times the scale.
SCALE = float(os.environ.get("TESSALY_TOUR_SCALE", "1"))
# Where the main window's objects are, in its own pixels: (x, y, width,
# height) from its top-left corner.
MAIN_WINDOW_SIZE = (314, 245)
ABOUT_WINDOW_SIZE = (264, 280)
ABOUT_WINDOW_LAYOUT = {
    (pyatspi.ROLE_IMAGE, "Tessaly logo"): (11, 11, 33, 31),
    (pyatspi.ROLE_LABEL, "Version 1.0"): (51, 43, 69, 15),
    (pyatspi.ROLE_LIST, "Special Thanks To:"): (11, 147, 241, 62),
    (pyatspi.ROLE_LIST_ITEM, ""): (12, 148, 239, 14),
    (pyatspi.ROLE_PUSH_BUTTON, "Close"): (171, 251, 73, 17),
}
MAIN_WINDOW_LAYOUT = {
    (pyatspi.ROLE_TEXT, "Your text"): (0, 0, 313, 225),
    (pyatspi.ROLE_SCROLL_BAR, ""): (298, 1, 14, 209),
    (pyatspi.ROLE_STATUS_BAR, "  Just type above."): (0, 229, 313, 17),
    (pyatspi.ROLE_PUSH_BUTTON, "Randomize Case"): (128, 226, 129, 17),
    (pyatspi.ROLE_PUSH_BUTTON, "About"): (264, 226, 49, 17),
}

# X keysyms and modifier masks for the synthesized keys.
XK_Return, XK_Tab, XK_space, XK_Escape, XK_a, XK_q = 0xFF0D, 0xFF09, 0x20, 0xFF1B, 0x61, 0x71
CONTROL_MASK, MOD1_MASK = 1 << 2, 1 << 3


class Failure(Exception):
    pass


def step(text):
    print("==", text, flush=True)


def pump(seconds=0.0):
    """Lets the events of the accessibility bus arrive."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.01)


def wait_for(what, probe, timeout=20.0):
    end = time.monotonic() + timeout
    while True:
        try:
            found = probe()
        except Exception:  # an object that went away meanwhile
            found = None
        if found:
            return found
        if time.monotonic() > end:
            raise Failure(f"timed out waiting for {what}")
        pump(0.05)


def showing(accessible):
    try:
        return accessible.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def descendants(accessible):
    for child in accessible:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find(root, role, name=None, only_showing=True):
    for node in descendants(root):
        if node.getRole() == role and (name is None or node.name == name):
            if not only_showing or showing(node):
                return node
    return None


def action_names(accessible):
    try:
        action = accessible.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def press(accessible):
    action = accessible.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "press" not in names:
        raise Failure(f"{accessible.getRoleName()} {accessible.name!r} has no press action ({names})")
    action.doAction(names.index("press"))


def extents_in(window):
    """Each showing object's extents from the window's top-left corner."""
    frame = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    found = {}
    for node in descendants(window):
        if node.getRole() == pyatspi.ROLE_FILLER or not showing(node):
            continue
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        # By role, not its name: at-spi2-core names roles differently by release.
        found[(node.getRole(), node.name)] = (box.x - frame.x, box.y - frame.y, box.width, box.height)
    return (frame.width, frame.height), found


def check_extents(window, size, layout):
    """The window's and its objects' extents cover what they draw."""
    scaled = lambda value: int(value * SCALE + 0.5)
    frame, found = extents_in(window)
    shown = {(str(role).split("ROLE_")[-1].lower(), name): box for (role, name), box in found.items()}
    print(f"   extents at scale {SCALE:g}: window {frame}; {shown}")
    if frame != tuple(scaled(v) for v in size):
        raise Failure(f"the window's extents are {frame}, not {size} at scale {SCALE:g}")
    for key, (x, y, width, height) in layout.items():
        edges = (scaled(x), scaled(y), scaled(x + width) - scaled(x), scaled(y + height) - scaled(y))
        if found.get(key) != edges:
            raise Failure(f"{key[0]} {key[1]!r} has extents {found.get(key)}, not {edges} at scale {SCALE:g}")


def tree(accessible, depth=0):
    """The accessible tree as a screen reader sees it: role, name, actions."""
    actions = action_names(accessible)
    line = "  " * depth + f"{accessible.getRoleName()} {accessible.name!r}"
    if actions:
        line += " actions=" + ",".join(actions)
    states = accessible.getState()
    if not states.contains(pyatspi.STATE_ENABLED):
        line += " (unavailable)"
    if not states.contains(pyatspi.STATE_SHOWING):
        line += " (not showing)"
    lines = [line]
    for child in accessible:
        if child is not None:
            lines += tree(child, depth + 1)
    return lines


def key(keysym, modifiers=0):
    registry = pyatspi.Registry
    if modifiers:
        registry.generateKeyboardEvent(modifiers, None, pyatspi.KEY_LOCKMODIFIERS)
    registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
    if modifiers:
        registry.generateKeyboardEvent(modifiers, None, pyatspi.KEY_UNLOCKMODIFIERS)
    pump(0.1)


def type_text(text):
    for character in text:
        pyatspi.Registry.generateKeyboardEvent(0, character, pyatspi.KEY_STRING)
        pump(0.02)


def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, text.characterCount)


def same_letters(before, after):
    return len(before) == len(after) and all(a.lower() == b.lower() for a, b in zip(before, after))


class Tour:
    def __init__(self, mode):
        self.pid = None
        self.mode = mode
        self.trees = {}
        self.alerts = []
        self.value_events = 0
        self.text_inserts = []
        pyatspi.Registry.registerEventListener(self.on_showing, "object:state-changed:showing")
        pyatspi.Registry.registerEventListener(self.on_value, "object:property-change:accessible-value")
        pyatspi.Registry.registerEventListener(self.on_text_insert, "object:text-changed:insert")

    def on_showing(self, event):
        try:
            if event.detail1 and event.source.getRole() == pyatspi.ROLE_ALERT:
                self.alerts.append(event.source.name)
        except Exception:
            pass

    def on_value(self, event):
        try:
            if event.source.getRole() == pyatspi.ROLE_PROGRESS_BAR:
                self.value_events += 1
        except Exception:
            pass

    def on_text_insert(self, event):
        try:
            if event.source.getRole() == pyatspi.ROLE_TEXT:
                self.text_inserts.append((event.detail1, event.detail2))
        except Exception:
            pass

    def application(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.pid:
                return app
        return None

    def window(self, role, name=None, timeout=20.0):
        what = f"a showing window named {name!r}" if name else "a showing window"

        def probe():
            app = self.application()
            if app is None:
                return None
            for window in app:
                if window is not None and window.getRole() == role and showing(window):
                    if name is None or window.name == name:
                        return window
            return None

        return wait_for(what, probe, timeout)

    def run(self):
        step("the application appears on the accessibility bus")
        wait_for("the application", self.application, 30)
        splash = self.window(pyatspi.ROLE_FRAME, PRODUCT, 30)
        self.trees["splash window"] = tree(splash)
        labels = [node.name for node in descendants(splash) if node.getRole() == pyatspi.ROLE_LABEL]
        if not any(label.startswith("Loading") for label in labels):
            raise Failure(f"the splash window's text is not readable: {labels}")

        for number, (message, link_name) in enumerate(MESSAGES, 1):
            step(f"message {number}: read it, then {link_name!r}")
            popup = wait_for(f"the alert with message {number}",
                             lambda m=message: self.popup_with(m), 20)
            if number == 1:
                self.trees["notification popup"] = tree(popup)
            link = find(popup, pyatspi.ROLE_LINK, link_name)
            if link is None:
                raise Failure(f"no link {link_name!r} in the popup: {tree(popup)}")
            pump(0.2)
            if message not in self.alerts:
                raise Failure(f"message {number} was never announced (alerts: {self.alerts})")
            if self.mode != "keys":
                press(link)
            else:
                wait_for("the keyboard focus on the popup's link",
                         lambda: link.getState().contains(pyatspi.STATE_FOCUSED), 10)
                key(XK_Return)
            wait_for(f"message {number} to go", lambda m=message: not self.popup_with(m), 10)

        step("the main window, found by its name")
        main = self.window(pyatspi.ROLE_FRAME, PRODUCT, 20)
        self.trees["main window"] = tree(main)
        box = wait_for("the text box", lambda: find(main, pyatspi.ROLE_TEXT), 5)
        if self.mode != "wayland":
            check_extents(main, MAIN_WINDOW_SIZE, MAIN_WINDOW_LAYOUT)
        status = find(main, pyatspi.ROLE_STATUS_BAR)
        if status is None:
            raise Failure("no status bar in the main window")
        if self.mode == "wayland":
            self.tour_by_actions_alone(main, box, status)
            return
        wait_for("the text box to have the focus", lambda: box.getState().contains(pyatspi.STATE_FOCUSED), 10)

        step("typing a sentence with key events")
        type_text(SENTENCE)
        wait_for("the typed sentence", lambda: text_of(box).lower() == SENTENCE, 20)
        if status.name not in ("To uppercase.", "To lowercase."):
            raise Failure(f"the status line reads {status.name!r} after typing")
        typed = text_of(box)
        title = wait_for("the title with the count",
                         lambda: self.window(pyatspi.ROLE_FRAME, f"{PRODUCT}: {len(SENTENCE)} bytes", 1), 5)
        print(f"   typed {typed!r}; status {status.name!r}; title {title.name!r}")

        randomize = find(main, pyatspi.ROLE_PUSH_BUTTON, "Randomize Case")
        bar = find(main, pyatspi.ROLE_PROGRESS_BAR, only_showing=False)
        if randomize is None or bar is None:
            raise Failure("no \"Randomize Case\" button or no progress bar in the main window")
        if self.mode == "actions":
            self.pass_with_actions(box, randomize, bar, status)
        else:
            self.pass_with_keys(box, randomize, status)

        step("About with Alt+A: read its product line, close it with Escape")
        key(XK_a, MOD1_MASK)
        about = self.window(pyatspi.ROLE_DIALOG, f"About {PRODUCT}", 10)
        self.trees["about window"] = tree(about)
        check_extents(about, ABOUT_WINDOW_SIZE, ABOUT_WINDOW_LAYOUT)
        lines = [node.name for node in descendants(about) if node.getRole() == pyatspi.ROLE_LABEL]
        for expected in (PRODUCT, "Version 1.0", "Platform: ME/XP", "First Build: 20/12/03"):
            if expected not in lines:
                raise Failure(f"the about window does not read {expected!r}: {lines}")
        key(XK_Escape)
        wait_for("the about window to go", lambda: not showing(about), 10)
        wait_for("the keyboard back in the main window",
                 lambda: any(node.getState().contains(pyatspi.STATE_FOCUSED) for node in descendants(main)), 10)
        if text_of(box) != self.after_pass:
            raise Failure("opening and closing About changed the text")

        step("Ctrl+Q: the close request; the window flies away and the program ends")
        key(XK_q, CONTROL_MASK)

    def tour_by_actions_alone(self, main, box, status):
        step("a text set through the accessible text, then \"Randomize Case\" by its action")
        sentence = "How are you? Every letter keeps its place.\n" * 2000
        box.queryEditableText().setTextContents(sentence)
        before = wait_for("the text", lambda: (lambda t: t if len(t) >= len(sentence) else None)(text_of(box)), 10)
        press(find(main, pyatspi.ROLE_PUSH_BUTTON, "Randomize Case"))
        wait_for("\"Ready\"", lambda: status.name == "Ready", 60)
        after = text_of(box)
        if not same_letters(before, after) or after == before:
            raise Failure("the pass did not change only the case of the letters")
        step("About by its button, closed by its \"Close\"")
        press(find(main, pyatspi.ROLE_PUSH_BUTTON, "About"))
        about = self.window(pyatspi.ROLE_DIALOG, f"About {PRODUCT}", 10)
        self.trees["about window"] = tree(about)
        check_extents(about, ABOUT_WINDOW_SIZE, ABOUT_WINDOW_LAYOUT)
        lines = [node.name for node in descendants(about) if node.getRole() == pyatspi.ROLE_LABEL]
        if PRODUCT not in lines or "Version 1.0" not in lines:
            raise Failure(f"the about window does not read its product lines: {lines}")
        press(find(about, pyatspi.ROLE_PUSH_BUTTON, "Close"))
        wait_for("the about window to go", lambda: not showing(about), 10)

    def popup_with(self, message):
        app = self.application()
        if app is None:
            return None
        for window in app:
            if window is not None and window.getRole() == pyatspi.ROLE_ALERT and showing(window):
                if window.name == message:
                    return window
        return None

    def pass_with_actions(self, box, randomize, bar, status):
        step("a long text added through the accessible text, then \"Randomize Case\" by its action")
        addition = "\nHow are you? Every letter keeps its place." * 8000
        box.queryEditableText().insertText(len(text_of(box)), addition, len(addition))
        before = wait_for("the added text", lambda: (lambda t: t if len(t) > 300000 else None)(text_of(box)), 20)
        pump(0.3)
        self.text_inserts = []
        press(randomize)
        seen = []
        end = time.monotonic() + 120
        while time.monotonic() < end:
            pump()
            try:
                if showing(bar):
                    seen.append(int(bar.queryValue().currentValue))
                if status.name == "Ready":
                    break
            except Exception:
                pass
            time.sleep(0.02)
        if status.name != "Ready":
            raise Failure(f"the status line reads {status.name!r}, not \"Ready\", after the pass")
        value = bar.queryValue()
        print(f"   progress read while the pass ran: {seen[:3]} ... {seen[-3:]} ({len(seen)} readings),"
              f" range {value.minimumValue:g} to {value.maximumValue:g}, {self.value_events} value events")
        if not any(0 < v < 100 for v in seen):
            raise Failure(f"the progress bar never read between 0 and 100 during the pass: {seen}")
        if seen != sorted(seen):
            raise Failure(f"the progress went backwards: {seen}")
        if (value.minimumValue, value.maximumValue) != (0, 100):
            raise Failure("the progress bar's range is not 0 to 100")
        pump(0.3)
        if self.value_events == 0:
            raise Failure("the progress bar raised no value-change event")
        # One change for the whole pass, told as it ends, over the span it
        # changed: from one of the first letters to one of the last.
        print(f"   text changes told during the pass: {self.text_inserts}")
        if len(self.text_inserts) != 1:
            raise Failure(f"the pass told {len(self.text_inserts)} text changes, not one: {self.text_inserts[:5]}")
        start, length = self.text_inserts[0]
        if start > 20 or start + length < len(before) - 20:
            raise Failure(f"the pass's change spans {start} to {start + length} of {len(before)} characters")
        if showing(bar):
            raise Failure("the progress bar is still shown after the pass")
        after = text_of(box)
        if not same_letters(before, after):
            raise Failure("the pass changed more than the case of the letters")
        if after == before:
            raise Failure("the pass changed no letter's case")
        self.after_pass = after

    def pass_with_keys(self, box, randomize, status):
        step("Tab, Tab to \"Randomize Case\", then Space")
        before = text_of(box)
        key(XK_Tab)
        key(XK_Tab)
        wait_for("the focus on \"Randomize Case\"", lambda: randomize.getState().contains(pyatspi.STATE_FOCUSED), 5)
        key(XK_space)
        wait_for("\"Ready\"", lambda: status.name == "Ready", 30)
        after = text_of(box)
        if not same_letters(before, after):
            raise Failure("the pass changed more than the case of the letters")
        self.after_pass = after


def read_file(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid-file", required=True)
    parser.add_argument("--mode", choices=("actions", "keys", "wayland"), required=True)
    parser.add_argument("--trees")
    args = parser.parse_args()
    tour = Tour(args.mode)
    open(args.pid_file + ".listening", "w").close()
    try:
        tour.pid = int(wait_for("the program's process id",
                                lambda: (lambda t: t.strip() if t.strip() else None)(read_file(args.pid_file)), 30))
        tour.run()
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    finally:
        if args.trees and tour.trees:
            with open(args.trees, "w", encoding="utf-8") as out:
                for name, lines in tour.trees.items():
                    out.write(f"{name}:\n" + "\n".join(lines) + "\n\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
