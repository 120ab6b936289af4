#!/usr/bin/env python3
"""How big the tests are beside the code: non-blank, non-comment lines of C++ under tests/
against every other C++ file of the project (engine, tools, benchmarks, fuzz harnesses), and
against the same without the benchmarks.

    python3 scripts/count-lines.py [--folders]
"""
import os
import sys

SKIP = {".git", "build", "build-san", "demo", "packaging"}


def code_lines(path):
    n, in_block = 0, False
    with open(path, errors="replace") as f:
        for line in f:
            s = line.strip()
            if in_block:
                if "*/" not in s:
                    continue
                in_block, s = False, s.split("*/", 1)[1].strip()
            if s.startswith("/*"):
                in_block = "*/" not in s
                continue
            if s and not s.startswith("//"):
                n += 1
    return n


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    tests, code, bench, folders = 0, 0, 0, {}
    for d, dirs, files in os.walk(top):
        dirs[:] = [x for x in dirs if x not in SKIP and not x.startswith("build")]
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(d, name)
            rel = os.path.relpath(path, top)
            n = code_lines(path)
            if rel.startswith("tests" + os.sep):
                tests += n
                folder = rel.split(os.sep)[1]
                folders[folder] = folders.get(folder, 0) + n
            else:
                code += n
                bench += n if rel.startswith("bench" + os.sep) else 0
    print("tests %d lines, the rest %d lines: %.1f%% (a third is %d)" % (tests, code, 100.0 * tests / code, code // 3))
    rest = code - bench
    print("without the benchmarks: the rest %d lines: %.1f%% (a third is %d)" % (rest, 100.0 * tests / rest, rest // 3))
    if "--folders" in sys.argv:
        for folder in sorted(folders):
            print("  tests/%-16s %6d" % (folder, folders[folder]))


main()
