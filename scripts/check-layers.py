#!/usr/bin/env python3
"""Keeps the engine's floors apart: a file includes only headers of its own floor or lower ones,
and no two files include each other's headers. Lists every include that breaks that and fails.

    python3 scripts/check-layers.py [source folder]
"""
import os
import re
import sys

FLOORS = ["core", "platform", "resources", "model", "world", "script", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    includes = {}  # "folder/file.cpp" -> the quoted paths it includes
    for floor in FLOORS:
        for name in sorted(os.listdir(os.path.join(root, floor))):
            if name.endswith((".cpp", ".h")):
                with open(os.path.join(root, floor, name), errors="replace") as f:
                    includes[floor + "/" + name] = [m.group(1) for m in map(INCLUDE.match, f) if m]
    # A file and its header are one unit: "a.cpp includes b.h and b.cpp includes a.h" is a cycle.
    unit = lambda path: os.path.splitext(path)[0]
    uses = {}
    problems = []
    for path, targets in includes.items():
        for target in targets:
            folder = target.split("/")[0]
            if folder not in FLOORS:
                problems.append(f"{path}: includes \"{target}\", not a header of an engine folder")
                continue
            if FLOORS.index(folder) > FLOORS.index(path.split("/")[0]):
                problems.append(f"{path}: includes \"{target}\" from a higher floor")
            if unit(target) != unit(path):
                uses.setdefault(unit(path), set()).add(unit(target))
    pairs = {(a, b) for a in uses for b in uses[a] if a < b and a in uses.get(b, ())}
    for a, b in sorted(pairs):
        problems.append(f"{a} and {b} include each other")
    for line in problems:
        print(line)
    print(f"{len(problems)} layering problem(s) in {len(includes)} files")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
