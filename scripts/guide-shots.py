#!/usr/bin/env python3
"""Drives the running program through the road of the user guide and saves
each window as docs/guide/NAME.png. Run by scripts/guide-screenshots, which
provides the X server, the window manager and the accessibility bus.

Widgets are found by their role and text through the accessibility tree
(AT-SPI), never by pixel positions, and clicked with xdotool where they are,
as a user would; so a moved button or a wider window keeps the script working.
"""
import os
import subprocess
import sys
import time

import pyatspi

OUT, VARNO, EXAMPLES = sys.argv[1], sys.argv[2], sys.argv[3]
WAIT = float(os.environ.get("GUIDE_WAIT", "30"))  # seconds for any one step


class Failed(Exception):
    pass


def until(what, probe, timeout=WAIT):
    """Polls probe() until it returns something true, or fails naming what."""
    end = time.monotonic() + timeout
    while True:
        try:
            value = probe()
        except Exception:  # a window or widget vanished between two calls
            value = None
        if value:
            return value
        if time.monotonic() > end:
            raise Failed("no " + what + " after %d s" % timeout)
        time.sleep(0.1)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True,
                          text=True).stdout


# Tables (the data grid, the tree list) have a child per cell: never searched.
SKIP = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE}


def descendants(acc, depth=0):
    if acc is None or depth > 25:
        return
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        if child.getRole() not in SKIP:
            yield from descendants(child, depth + 1)


def find(root, role, name=None, prefix=False):
    for acc in descendants(root):
        if acc.getRole() != role:
            continue
        text = (acc.name or "").strip()
        if name is None or text == name or (prefix and text.startswith(name)):
            return acc
    return None


class App:
    def __init__(self, proc):
        self.proc = proc

    def acc(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.proc.pid:
                return app
        return None

    def window(self, title, prefix=False):
        """The top-level window of that title, once it is on the screen."""
        def probe():
            app = self.acc()
            for i in range(app.childCount if app else 0):
                w = app.getChildAtIndex(i)
                name = w.name or ""
                if (name == title or (prefix and name.startswith(title))) and \
                        w.getState().contains(pyatspi.STATE_SHOWING):
                    return w
            return None
        return until('window "%s"' % title, probe)


def showing(acc):
    states = acc.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def centre(acc):
    box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if box.width <= 0 or box.height <= 0:
        return None
    return box.x + box.width // 2, box.y + box.height // 2


def click(acc, what):
    """Clicks the middle of a widget once it is shown and enabled."""
    def probe():
        if not showing(acc) or not acc.getState().contains(pyatspi.STATE_ENABLED):
            return None
        return centre(acc)
    x, y = until(what + " to be clickable", probe)
    xdotool("mousemove", "--sync", str(x), str(y))
    xdotool("click", "1")


def button(window, text):
    b = until('button "%s"' % text,
              lambda: find(window, pyatspi.ROLE_PUSH_BUTTON, text))
    click(b, 'button "%s"' % text)


def menu(app, main, *path):
    """Chooses a menu command: menu(app, main, "Job", "Parsimony")."""
    bar = until("menu bar", lambda: find(main, pyatspi.ROLE_MENU_BAR))
    current = bar
    for step in path:
        item = until('menu "%s"' % step, lambda: next(
            (a for a in descendants(current)
             if (a.name or "") == step and a.getRole() in
             (pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM)), None))
        click(item, 'menu "%s"' % step)
        current = item


def choose(app, combo, text):
    """Picks the item of a combo box whose text starts with TEXT."""
    click(combo, "combo box")
    def probe():
        for a in descendants(combo):
            if (a.name or "").startswith(text) and showing(a) and centre(a):
                return a
        return None
    item = until('item "%s"' % text, probe)
    click(item, 'item "%s"' % text)
    until('"%s" chosen' % text, lambda: (combo.name or "").startswith(text) or any(
        (a.name or "").startswith(text) and a.getState().contains(pyatspi.STATE_SELECTED)
        for a in descendants(combo)), timeout=5)


def field(window, label):
    """The text field to the right of a label (as forms lay them out)."""
    def probe():
        tag = find(window, pyatspi.ROLE_LABEL, label)
        if tag is None:
            return None
        t = tag.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        middle = t.y + t.height // 2
        best = None
        for a in descendants(window):
            if a.getRole() != pyatspi.ROLE_TEXT or not showing(a):
                continue
            b = a.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            if b.y <= middle <= b.y + b.height and b.x >= t.x + t.width - 2:
                if best is None or b.x < best[0]:
                    best = (b.x, a)
        return best[1] if best else None
    return until('text field "%s"' % label, probe)


def type_into(edit, text):
    click(edit, "text field")
    xdotool("key", "--clearmodifiers", "ctrl+a")
    xdotool("type", "--delay", "20", text)


def xid(title):
    """The X window of that title (exactly), visible."""
    def probe():
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                              "^" + escape(title) + "$"],
                             capture_output=True, text=True).stdout.split()
        return out[-1] if out else None
    return until('X window "%s"' % title, probe)


def escape(text):
    return "".join("\\" + c if c in r"\.^$*+?()[]{}|" else c for c in text)


def close(window):
    """Closes a tree window as the keyboard does (Escape), not by its frame."""
    wid = xid(window.name)
    xdotool("windowactivate", "--sync", wid)
    xdotool("key", "--clearmodifiers", "Escape")
    until('window "%s" to close' % window.name, lambda: not showing(window), timeout=10)


def shot(window, name, size=None):
    """Saves the window's content once it is painted: when a grab equals one of
    the grabs just before it (a blinking text cursor alternates two pictures)."""
    title = window.name
    wid = xid(title)
    if size:  # large enough to show every column or label
        xdotool("windowsize", "--sync", wid, str(size[0]), str(size[1]))
    xdotool("windowactivate", "--sync", wid)
    path = os.path.join(OUT, name + ".png")
    recent = []
    end = time.monotonic() + WAIT
    while True:
        time.sleep(0.3)
        data = subprocess.run(["import", "-window", wid, "png:-"], check=True,
                              capture_output=True).stdout
        if data in recent:
            break
        if time.monotonic() > end:
            raise Failed('window "%s" kept changing' % title)
        recent = recent[-6:] + [data]
    with open(path, "wb") as f:
        f.write(data)
    print(path)


def road(app):
    main = app.window("VARNO Classic")
    # The data file named on the command line opens the data window.
    data = app.window("Data from ", prefix=True)
    shot(main, "main-window")
    # File/Data > Data shows it again with Continue, which checks the data.
    menu(app, main, "File/Data", "Data")
    until("Continue in the data window",
          lambda: showing(find(data, pyatspi.ROLE_PUSH_BUTTON, "Continue")))
    shot(data, "data-window")
    button(data, "Continue")
    check = app.window("Check data")
    shot(check, "check-data")

    menu(app, main, "Job", "Parsimony")
    search = app.window("Camin - Sokal parsimony")
    choose(app, until("search kind", lambda: find(search, pyatspi.ROLE_COMBO_BOX)),
           "Thorough")
    shot(search, "parsimony-window")
    button(search, "Continue")
    trees = app.window("Trees")
    # The search is over when Continue can be pressed again.
    go = find(search, pyatspi.ROLE_PUSH_BUTTON, "Continue")
    until("end of the search", lambda: go.getState().contains(pyatspi.STATE_ENABLED),
          timeout=120)
    shot(trees, "trees-window")

    button(trees, "Tree compatibility")
    shot(app.window("Compatibility of characters"), "character-fit", size=(960, 420))

    button(trees, "Consensus")
    consensus = app.window("Majority", prefix=True)
    shot(consensus, "consensus")
    close(consensus)

    button(trees, "Support...")
    support = app.window("Branch support")
    type_into(field(support, "Seed"), "1")
    button(support, "Start")
    until("end of the support run", lambda: find(
        support, pyatspi.ROLE_PUSH_BUTTON, "Show tree").getState().contains(
        pyatspi.STATE_ENABLED), timeout=120)
    # The support tree opens by itself when the run is over, and the window
    # manager keeps it above the support window: that one is taken after it.
    supported = app.window("Jackknife", prefix=True)
    shot(supported, "support-tree")
    close(supported)
    shot(support, "support-window")

    button(trees, "Grafic")
    tree = app.window("Tree")
    click(until("Changes box", lambda: find(tree, pyatspi.ROLE_CHECK_BOX, "Changes")),
          "Changes box")
    shot(tree, "tree-changes", size=(1100, 760))
    button(tree, "Save")
    export = app.window("Graphics -Export")
    for choice in ("File", "PDF (.PDF)"):
        click(until('"%s"' % choice, lambda: find(export, pyatspi.ROLE_RADIO_BUTTON, choice)),
              '"%s"' % choice)
    type_into(field(export, "Title"), "Weevils: Camin-Sokal parsimony, 46 steps")
    shot(export, "graphics-export")
    button(export, "Cancel")
    close(tree)


def main():
    os.makedirs(OUT, exist_ok=True)
    log = open(os.environ.get("VARNO_LOG", os.devnull), "w")
    # Run in the examples' folder, so that the protocol shows no path of this machine.
    proc = subprocess.Popen([VARNO, "weevils.txt"], cwd=EXAMPLES,
                            stdout=log, stderr=subprocess.STDOUT)
    app = App(proc)
    try:
        until("program on the accessibility bus", app.acc)
        road(app)
    except Failed as e:
        print("guide-screenshots: " + str(e), file=sys.stderr)
        return 1
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
