#!/usr/bin/python3
# A screen reader's view of the viewer, through AT-SPI on a private session bus: the pane's
# whole text and caret, words, the place of a character on screen, the events a caret move, a
# selection, a click and an edit send, and edits made through the Editable Text interface.
#
#   screen_reader.py VIEWER DOCUMENT      (inside dbus-run-session, on a display)
import subprocess
import sys

import pyatspi

from atspi_session import check, finish, find, launch, pump

viewer, document = sys.argv[1], sys.argv[2]
launch(viewer, document)
events = []


def told(kind, detail):
    return pump(5, lambda: any(e[0].startswith(kind) and e[1] == detail for e in events))


pane = find(viewer, lambda a: a.getRoleName() == "text" and a.name == "Document",
            "text named Document")

pyatspi.Registry.registerEventListener(
    lambda e: events.append((e.type, e.detail1, e.any_data)), "object:text-caret-moved",
    "object:text-selection-changed", "object:text-changed")

with open(document, "rb") as f:
    expected = f.read().decode("cp437").replace("\r\n", "\n")
text = pane.queryText()
check(text.characterCount == len(expected), f"{text.characterCount} characters, not {len(expected)}")
check(text.getText(0, -1) == expected, f"the text reads {text.getText(0, -1)!r}")
check(text.caretOffset == 0, f"the caret is at {text.caretOffset}")
states = pane.getState()
check(states.contains(pyatspi.STATE_READ_ONLY) and not states.contains(pyatspi.STATE_EDITABLE),
      "a document opened from the command line is not read-only to a screen reader")

word = expected.index("04")
got = text.getTextAtOffset(word + 1, pyatspi.TEXT_BOUNDARY_WORD_START)
check(got[0] == "04" and got[1] == word, f"the word at {word + 1} is {got}")
got = text.getTextAtOffset(1, pyatspi.TEXT_BOUNDARY_LINE_START)
check(got[0] == expected[:expected.index("\n") + 1], f"the first line is {got}")

text.setCaretOffset(30)
check(told("object:text-caret-moved", 30), "no caret move to 30 was announced")
check(text.caretOffset == 30, f"the caret went to {text.caretOffset}, not 30")
text.addSelection(2, 9)
check(told("object:text-selection-changed", 0), "no selection change was announced")
check(text.getSelection(0) == (2, 9), f"the selection is {text.getSelection(0)}")

# A click on a character puts the caret before it; the extents say where to click.
x, y, width, height = text.getCharacterExtents(5, pyatspi.DESKTOP_COORDS)
check(width > 0 and height > 0, f"character 5 has extents {(x, y, width, height)}")
check(text.getOffsetAtPoint(x + width // 2, y + height // 2, pyatspi.DESKTOP_COORDS) == 5,
      "the offset at character 5's centre is not 5")
subprocess.run(["xdotool", "mousemove", str(x + 1), str(y + height // 2), "click", "1"], check=True)
check(told("object:text-caret-moved", 5), "a click on character 5 announced no caret move there")

# Read-only off (Ctrl+R): edits through the interface, announced, undoable in the viewer.
subprocess.run(["xdotool", "key", "ctrl+r"], check=True)
check(pump(5, lambda: pane.getState().contains(pyatspi.STATE_EDITABLE)),
      "Ctrl+R did not make the text editable to a screen reader")
edit = pane.queryEditableText()
edit.insertText(3, "XY", 2)
check(told("object:text-changed:insert", 3), "the insertion was not announced")
check(text.getText(0, -1) == expected[:3] + "XY" + expected[3:], "the insertion did not land")
edit.deleteText(3, 5)
check(told("object:text-changed:delete", 3), "the deletion was not announced")
check(text.getText(0, -1) == expected, "the deletion did not land")

finish(0, f"PASSED: {len(expected)} characters read, caret, selection, click and edits announced")
