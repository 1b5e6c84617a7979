#!/usr/bin/python3
# The side panel under a real window manager, as a user hides and shows it: Ctrl+N twice, the
# Navigator menu item, the panel's Close button and a double click on its lower part, first on
# the document the viewer started with and then again after Open, after a file dropped from
# another program and after Close. What the user sees decides: whether the panel's place holds
# the pane's background or the panel, read off the screen, and the menu item's check mark.
#
# The Open dialog must leave nothing of its own on the screen, its completion list included.
#
#   navigator.py VIEWER DRAG_SOURCE FIRST OPENED DROPPED   (inside dbus-run-session, on a display)
import subprocess
import sys
import time

import pyatspi

from atspi_session import centre, check, finish, find, launch, pump

viewer, drag_source, first, opened, dropped = sys.argv[1:6]
program = launch(viewer, first)
window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(program.pid)],
                        capture_output=True, text=True, timeout=20).stdout.split()[0]
frame = find(viewer, lambda a: a.getRoleName() == "frame", "main window")
pane = find(viewer, lambda a: a.getRoleName() == "text" and a.name == "Document", "document pane")
item = find(viewer, lambda a: a.getRoleName() == "menu item" and a.name == "Navigator",
            "Navigator menu item")


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def key(name):
    xdotool("windowactivate", "--sync", window, "key", name)


def click(x, y, times=1):
    xdotool("mousemove", str(x), str(y), "click", "--repeat", str(times), "--delay", "80", "1")


def panel_on_screen():
    # A point in the panel's list, well left of the pane's scroll bar when the pane has the width.
    extents = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x, y = extents.x + extents.width - 60, extents.y + extents.height * 3 // 10
    pixel = subprocess.run(["import", "-silent", "-window", "root", "-crop", f"1x1+{x}+{y}",
                            "-depth", "8", "txt:-"], capture_output=True, text=True).stdout
    # The last line reads "0,0: (r,g,b)  #RRGGBB  name".
    colour = pixel.rsplit("#", 1)[-1][:6]
    return colour != "000000"


def marked():
    return item.getState().contains(pyatspi.STATE_CHECKED)


def settles(shown, what):
    # The panel must reach the state and keep it: a panel that shows and is taken down again on
    # the next turn of the event loop looks, for an instant, like one that works.
    reached = pump(5, lambda: panel_on_screen() == shown and marked() == shown)
    pump(0.6)
    check(reached and panel_on_screen() == shown and marked() == shown,
          f"{what}: the panel is {'on screen' if panel_on_screen() else 'gone'} and the "
          f"Navigator mark {'on' if marked() else 'off'}, not both {'on' if shown else 'off'}")


def hides_and_comes_back(when):
    settles(True, f"{when}, before anything")
    key("ctrl+n")
    settles(False, f"{when}, Ctrl+N")
    key("ctrl+n")
    settles(True, f"{when}, Ctrl+N again")
    click(*centre(item))
    settles(False, f"{when}, the Navigator item")
    click(*centre(item))
    settles(True, f"{when}, the Navigator item again")
    close = find(viewer, lambda a: a.getRoleName() == "push button" and a.name == "Close",
                 "panel's Close button")
    x, y = centre(close)
    click(x, y)
    settles(False, f"{when}, the panel's Close button")
    key("ctrl+n")
    settles(True, f"{when}, Ctrl+N after Close")
    # Left of the Close button: the products panel's own ground, below its last link.
    click(x - 40, y, times=2)
    settles(False, f"{when}, a double click on the panel's lower part")
    click(*centre(item))
    settles(True, f"{when}, the Navigator item after the double click")


def shows(path, what):
    with open(path, "rb") as f:
        expected = f.read().decode("cp437").replace("\r\n", "\n")
    check(pump(10, lambda: pane.queryText().getText(0, -1) == expected),
          f"{what}: the pane does not show {path}")


shows(first, "at start")
hides_and_comes_back("at start")

key("ctrl+o")
time.sleep(1.5)
# Typed in two goes, so that the name field's completion list comes up between them.
xdotool("type", "--delay", "20", opened[:-6])
time.sleep(1)
xdotool("type", "--delay", "20", opened[-6:])
xdotool("key", "Return")
shows(opened, "Open")
windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(program.pid)],
                         capture_output=True, text=True).stdout.split()
check(windows == [window], f"after Open the viewer shows windows {windows}, not only {window}")
hides_and_comes_back("after Open")

# A file manager's drag: press in the source's window, carry the pointer over the pane, release.
source = subprocess.Popen([drag_source, dropped], stdout=subprocess.PIPE, text=True)
subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^drag source$"],
               capture_output=True, timeout=20)
xdotool("mousemove", "60", "60", "mousedown", "1")
target_x, target_y = centre(pane)
for step in range(1, 9):
    xdotool("mousemove", str(60 + (target_x - 60) * step // 8), str(60 + (target_y - 60) * step // 8))
    time.sleep(0.05)
time.sleep(0.3)
xdotool("mouseup", "1")
shows(dropped, "a drop")
source.kill()
hides_and_comes_back("after a drop")

key("ctrl+w")
check(pump(5, lambda: pane.queryText().characterCount == 0), "Close left the pane full")
hides_and_comes_back("after Close")

finish(0, "PASSED: the panel hides and comes back at start, after Open, a drop and Close")
