#!/usr/bin/python3
"""Reads one application's accessibility tree from the accessibility bus, as a screen reader does.

  accessibility_tree.py dump APPLICATION          prints the tree as JSON: one object per node, in
                                                  document order, with depth, role, name, description,
                                                  text (for text fields), value (for progress and the
                                                  like) and extents on the screen
  accessibility_tree.py press APPLICATION NAME    performs the first action of the first node named NAME
                                                  that offers one; exits 1 when there is none
"""
import json
import sys

import pyatspi


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
             "description": node.description or "", "text": "", "extents": None, "value": None}
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


def main():
    command, name = sys.argv[1], sys.argv[2]
    root = application(name)
    if root is None:
        print("[]" if command == "dump" else "", end="")
        return 1 if command == "press" else 0
    if command == "dump":
        tree = []
        for node, depth in nodes(root):
            try:
                tree.append(describe(node, depth))
            except Exception:
                continue
        json.dump(tree, sys.stdout)
        return 0
    for node, _ in nodes(root):
        try:
            if node.name == sys.argv[3] and node.queryAction().nActions > 0:
                node.queryAction().doAction(0)
                return 0
        except Exception:
            continue
    return 1


if __name__ == "__main__":
    sys.exit(main())
