#!/usr/bin/python3
"""Reads one application's accessibility tree from the accessibility bus, as a screen reader does.

  accessibility_tree.py dump APPLICATION          prints the tree as JSON: one object per node, in
                                                  document order, with depth, role, name, description,
                                                  text (for text fields), value (for progress and the
                                                  like), states (checked, focused, ...) and extents on
                                                  the screen
  accessibility_tree.py press APPLICATION NAME    performs the first action of the first node named NAME
                                                  that offers one; exits 1 when there is none
  accessibility_tree.py popup APPLICATION NAME [CHOICE]
                                                  presses NAME as above and prints, as dump does, the
                                                  popups that show then (popovers, which are not children
                                                  of the application but announce themselves as they
                                                  show); with CHOICE, then presses the node named CHOICE
                                                  in them; exits 1 when a press finds nothing
"""
import json
import sys

import pyatspi
from gi.repository import GLib


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        candidate = desktop.getChildAtIndex(index)
        if candidate is not None and (candidate.name or "").lower() == name.lower():
            return candidate
    return None


def nodes(root):
    # Depth first, as the tree reads; a node that vanishes while it is read is skipped.
    pending = [(root, 0)]
    while pending:
        node, depth = pending.pop()
        try:
            children = [node.getChildAtIndex(i) for i in range(node.childCount)]
        except Exception:
            continue
        yield node, depth
        pending.extend((child, depth + 1) for child in reversed(children) if child is not None)


def describe(node, depth):
    entry = {"depth": depth, "role": node.getRoleName(), "name": node.name or "",
             "description": node.description or "", "text": "", "extents": None, "value": None,
             "states": [pyatspi.stateToString(state) for state in node.getState().getStates()]}
    try:
        text = node.queryText()
        entry["text"] = text.getText(0, min(text.characterCount, 2000))
    except NotImplementedError:
        pass
    try:
        entry["value"] = node.queryValue().currentValue
    except NotImplementedError:
        pass
    try:
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        entry["extents"] = [box.x, box.y, box.width, box.height]
    except NotImplementedError:
        pass
    return entry


def press(root, name):
    for node, _ in nodes(root):
        try:
            if node.name == name and node.queryAction().nActions > 0:
                node.queryAction().doAction(0)
                return True
        except Exception:
            continue
    return False


def popup_root(node):
    # A popup is nobody's child: its parent (the window or row it belongs to) does not list it.
    while node is not None and node.getRole() != pyatspi.ROLE_APPLICATION:
        if node.getIndexInParent() < 0:
            return node
        node = node.parent
    return None


def popups(root, name):
    # Popups are found only through what they announce while they show, so the press happens inside the
    # event loop that listens.
    sources = []
    pressed = []

    def listen(event):
        sources.append(event.source)

    def act():
        pressed.append(press(root, name))
        return False

    events = ["object:state-changed:showing", "object:state-changed:focused", "window:create"]
    pyatspi.Registry.registerEventListener(listen, *events)
    GLib.timeout_add(200, act)
    GLib.timeout_add(1500, pyatspi.Registry.stop)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(listen, *events)
    found = []
    for source in sources:
        try:
            candidate = popup_root(source)
        except Exception:
            continue
        if candidate is not None and all(candidate != known for known in found):
            found.append(candidate)
    return pressed == [True], found


def dump(roots):
    tree = []
    for root in roots:
        for node, depth in nodes(root):
            try:
                tree.append(describe(node, depth))
            except Exception:
                continue
    json.dump(tree, sys.stdout)


def main():
    command, name = sys.argv[1], sys.argv[2]
    root = application(name)
    if root is None:
        print("" if command == "press" else "[]", end="")
        return 0 if command == "dump" else 1
    if command == "dump":
        dump([root])
        return 0
    if command == "popup":
        pressed, shown = popups(root, sys.argv[3])
        dump(shown)
        if len(sys.argv) > 4:
            pressed = pressed and any(press(popup, sys.argv[4]) for popup in shown)
        return 0 if pressed else 1
    return 0 if press(root, sys.argv[3]) else 1


if __name__ == "__main__":
    sys.exit(main())
