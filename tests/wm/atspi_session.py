# What the window-manager tests that talk AT-SPI share: the accessibility bus and the viewer
# started on it, a way to stop both with a verdict, and waiting on the bus's events.
# Import it inside dbus-run-session, on a display.
import os
import signal
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

started = []


def launch(viewer, *arguments):
    """Starts the viewer, and the accessibility bus the first time."""
    if not started:
        # The launcher in a process group of its own, with the bus and registry it starts, so
        # that all of them go at the end.
        started.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], start_new_session=True))
        time.sleep(0.5)
    started.append(subprocess.Popen([viewer, *arguments], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL,
                                    env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")))
    return started[-1]


def finish(code, message):
    print(message)
    for process in started[1:]:
        process.kill()
    if started:
        os.killpg(started[0].pid, signal.SIGTERM)
    sys.exit(code)


def check(ok, message):
    if not ok:
        finish(1, "FAILED: " + message)


def pump(seconds, until=lambda: False):
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while context.iteration(False):
            pass
        if until():
            return True
        time.sleep(0.02)
    return until()


def find(viewer, predicate, what):
    """The first accessible in the viewer's tree that predicate takes, waiting for it to show."""
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == os.path.basename(viewer):
                found = pyatspi.findDescendant(app, predicate)
                if found is not None:
                    return found
        time.sleep(0.2)
    finish(1, f"FAILED: no {what} in the viewer's accessible tree")


def centre(accessible):
    extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x + extents.width // 2, extents.y + extents.height // 2
