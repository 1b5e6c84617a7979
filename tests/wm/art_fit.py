#!/usr/bin/python3
# The window fits the art, on the real program under a window manager: a document whose art is
# wider than the pane widens the window at start (centred at that width) and on Open, so that
# the widest line is whole on screen; prose lines, however long, do not; and the settings keep
# the size the user gave the window, not the fitted one.
#
#   art_fit.py VIEWER SETTINGS ART84 ART120 PROSE    (inside dbus-run-session, on a display)
import subprocess
import sys
import time

import pyatspi

from atspi_session import check, finish, find, launch, pump

viewer, settings, art84, art120, prose = sys.argv[1:6]


def outer(window):
    """The window's outer rectangle, frame included, once it has held still for a second."""
    def now():
        geometry = subprocess.run(["xwininfo", "-id", window], capture_output=True,
                                  text=True).stdout
        value = {line.split(":")[0].strip(): line.split(":")[1].strip()
                 for line in geometry.splitlines() if ":" in line}
        extents = subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"],
                                 capture_output=True, text=True).stdout
        left, right, top, bottom = ([int(v) for v in extents.split("=")[1].split(",")]
                                    if "=" in extents else [0, 0, 0, 0])
        return (int(value["Absolute upper-left X"]) - left, int(value["Absolute upper-left Y"]) - top,
                int(value["Width"]) + left + right, int(value["Height"]) + top + bottom)
    last, steady = None, 0
    for _ in range(50):
        rect = now()
        steady = steady + 1 if rect == last else 0
        last = rect
        if steady >= 5:
            break
        time.sleep(0.2)
    return last


def widest_is_whole(document, what):
    """The last character of the document's widest line lies inside the pane's view."""
    pane = find(viewer, lambda a: a.getRoleName() == "text" and a.name == "Document", "pane")
    with open(document, "rb") as f:
        lines = f.read().decode("cp437").replace("\r\n", "\n").split("\n")
    widest = max(range(len(lines)), key=lambda i: len(lines[i]) if len(lines[i]) <= 160 else 0)
    offset = sum(len(line) + 1 for line in lines[:widest]) + len(lines[widest]) - 1
    view = pane[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x, _, width, _ = pane.queryText().getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)
    check(x + width <= view.x + view.width,
          f"{what}: column {len(lines[widest])} ends at {x + width}, the view at "
          f"{view.x + view.width}")


def start(document):
    program = launch(viewer, document)
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                             str(program.pid)], capture_output=True, text=True,
                            timeout=20).stdout.split()[0]
    return program, window


def stop(program, window, what):
    subprocess.run(["xdotool", "windowactivate", "--sync", window, "key", "Escape"])
    check(pump(5, lambda: program.poll() is not None), f"{what}: Esc did not end the program")
    with open(settings, encoding="latin-1") as f:
        saved = [line.strip() for line in f if line.startswith(("width=", "height="))]
    check(saved == ["width=800", "height=910"], f"{what}: the settings say {saved}")


screen_width, screen_height = [int(v) for v in subprocess.run(
    ["xdotool", "getdisplaygeometry"], capture_output=True, text=True).stdout.split()]
for document, what in ((art84, "84 columns"), (art120, "120 columns")):
    program, window = start(document)
    x, y, w, h = outer(window)
    check(w > 800 and x >= 0 and x + w <= screen_width, f"{what}: outer {x} {y} {w} {h}")
    check(abs(x - (screen_width - w) // 2) <= 1, f"{what}: {x} {y} {w} {h} is not centred")
    widest_is_whole(document, what)
    stop(program, window, what)

program, window = start(prose)
check(outer(window)[2] == 800, f"prose widened the window to {outer(window)}")
stop(program, window, "prose")

# Open on a shown window: it widens as far as the art needs, and stays on the screen.
program, window = start(art84)
before = outer(window)
subprocess.run(["xdotool", "windowactivate", "--sync", window, "key", "ctrl+o"])
time.sleep(1.5)
subprocess.run(["xdotool", "type", "--delay", "20", art120])
subprocess.run(["xdotool", "key", "Return"])
time.sleep(1)
after = outer(window)
check(after[2] > before[2] and after[0] >= 0 and after[0] + after[2] <= screen_width,
      f"Open widened {before} to {after}")
widest_is_whole(art120, "after Open")
stop(program, window, "after Open")
finish(0, f"PASSED: 84 and 120 columns whole at start and after Open ({after[2]} wide), prose "
          "left alone, the settings kept at 800 x 910")
