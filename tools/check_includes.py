#!/usr/bin/env python3
"""Checks that every #include "..." of the engine's sources keeps to the floors.

The folders are floors, ground up:
    platform -> companion -> position -> rules -> eval -> book -> search
    -> shell -> window, with tools over search.
A file may include headers of its own folder or of a lower floor. The only
crossings allowed are the services every floor uses (the companion's C
header, the settings-and-log access, the move text routines), the position
layout the companion copies, the check test that the position set-up uses to
refuse unsound FENs, and the program's entry, which starts the protocol loop
or the window and so stands above every floor.

Usage: check_includes.py [SOURCE_ROOT]. Prints each crossing as
"file:line: includes header (floor -> floor)" and exits 1 when there is any.
"""
import os
import re
import sys

FLOORS = ["platform", "companion", "position", "rules", "eval", "book", "search", "tools", "shell", "window"]
LEVEL = {name: i for i, name in enumerate(FLOORS)}

# Headers that every floor may include.
SHARED_SERVICES = {"companion/velmorutil.h", "shell/common.h", "shell/notation.h"}

# Crossings allowed for one folder or one file: (folder or file, header).
ALLOWED = {
    ("companion", "position/rays.h"),  # the ray tables of the board the companion reads
    ("companion", "position/variabili.h"),  # the slice layout it copies
    ("companion", "position/identities.h"),  # the fixed piece ids its king tests know the pieces by
    ("position/setup.cpp", "rules/scacco.h"),  # unsound FENs are refused by the check test
}

# Files above every floor.
ABOVE_ALL = {"shell/entry.cpp"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = (".c", ".cpp", ".h")


def floor_of(path):
    return path.split("/", 1)[0]


def crossings(root):
    found = []
    for floor in FLOORS:
        top = os.path.join(root, floor)
        for folder, _, names in os.walk(top):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                full = os.path.join(folder, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                if rel in ABOVE_ALL:
                    continue
                with open(full, encoding="utf-8", errors="replace") as f:
                    for number, text in enumerate(f, 1):
                        m = INCLUDE.match(text)
                        if not m:
                            continue
                        header = m.group(1)
                        if "/" not in header:
                            continue  # beside the including file: its own folder
                        target = floor_of(header)
                        if target not in LEVEL or LEVEL[target] <= LEVEL[floor]:
                            continue
                        if header in SHARED_SERVICES or (floor, header) in ALLOWED or (rel, header) in ALLOWED:
                            continue
                        found.append(f"{rel}:{number}: includes {header} ({floor} -> {target})")
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    found = crossings(root)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) cross the floors")
        return 1
    print("every include keeps to the floors")
    return 0


if __name__ == "__main__":
    sys.exit(main())
