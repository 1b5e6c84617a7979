# The AT-SPI side of wayland.sh: on Wayland no other client can read a window's title or its
# keyboard focus, but the viewer's accessible tree tells them, on a private session bus.
#
#   wayland.py caption VIEWER DOCUMENT SHOTS   the caption scrolls; the screen is shot into SHOTS
#   wayland.py keys VIEWER DOCUMENT SHOTS      the pane has the keyboard focus; Esc ends the viewer
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wm"))
import pyatspi  # noqa: E402
from atspi_session import check, find, finish, launch, pump  # noqa: E402

mode, viewer, document, shots = sys.argv[1:5]
process = launch(viewer, document)
frame = find(viewer, lambda a: a.getRoleName() == "frame", "window")
pane = find(viewer, lambda a: a.getRoleName() == "text" and a.name == "Document", "pane")

if mode == "caption":
    first = frame.name
    check(pump(5, lambda: frame.name != first),
          f"the caption stayed {first!r} for 5 s: the marquee does not scroll")
    # The compositor shoots its screen once the window has settled at the output's scale (the
    # last shot is the one looked at).
    for _ in range(3):
        pump(1)
        shot = subprocess.run(["weston-screenshooter"], cwd=shots, timeout=20,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        check(shot.returncode == 0, f"weston-screenshooter failed: {shot.stderr.strip()}")
    finish(0, f"the caption scrolls: {first!r} became {frame.name!r}")

# The compositor's X window takes the keys, and hands them to the window it has activated.
compositor = subprocess.run(["xdotool", "search", "--class", "Weston Compositor"],
                            capture_output=True, text=True).stdout.split()
check(compositor, "no window of the compositor on the X screen")
subprocess.run(["xdotool", "windowfocus", "--sync", compositor[0]], check=False)
check(pump(10, lambda: pane.getState().contains(pyatspi.STATE_FOCUSED)),
      "the pane does not have the keyboard focus")
# A moment for the keyboard's map to arrive with the focus, then Esc; the sanitizer build under
# a full test run takes seconds to end.
pump(1)
subprocess.run(["xdotool", "key", "Escape"], check=False)
deadline = time.time() + 30
while process.poll() is None and time.time() < deadline:
    time.sleep(0.1)
check(process.poll() is not None, "Esc did not end the viewer")
finish(0, "the pane has the keyboard focus, and Esc ended the viewer")
