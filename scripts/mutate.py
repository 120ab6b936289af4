#!/usr/bin/env python3
"""Mutation check: how many realistic one-line bugs does the test suite catch?

Makes random one-line mutants of the engine's sources (a flipped comparison or operator, a
constant one off, a dropped statement or clamp, swapped arguments, a negated condition), builds
each incrementally, runs the test suite with a per-test timeout and counts the mutant killed when
a test fails. Prints the kill rate and every surviving mutant with its file and line. Seeded: the
same seed, files and sample size give the same mutants.

    python3 scripts/mutate.py [--seed N] [--per-file K] [--timeout S] [--build DIR] [PATH ...]

PATHs are source files or folders (default: every engine folder). Each file is mutated in place
and put back before the next mutant (also on Ctrl-C); run it in a checkout you are not editing.
The build folder must be configured already (scripts/build.sh makes build/).
"""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

ENGINE_FOLDERS = ["core", "platform", "resources", "model", "world", "script", "app"]

# Operators that turn one realistic bug into another, applied to one occurrence on one line.
SWAPS = [
    ("<=", "<"), ("<", "<="), (">=", ">"), (">", ">="), ("==", "!="), ("!=", "=="),
    ("&&", "||"), ("||", "&&"), ("+", "-"), ("-", "+"), ("*", "/"), ("/", "*"),
    ("true", "false"), ("false", "true"),
]
CLAMPS = re.compile(r"\b(std::min|std::max|std::fmin|std::fmax|fmin|fmax|fminf|fmaxf)\s*\(")
CALL2 = re.compile(r"\b([A-Za-z_]\w*)\s*\(([^(),]+),([^(),]+)\)")
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
CONDITION = re.compile(r"\b(if|while)\s*\(")


def mask_literals(line):
    """The line with string and character literals and a trailing comment blanked out, so that
    operators inside them are never mutated (same length, so offsets stay valid)."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\" and i + 1 < len(line):
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
            out.append(" " if quote else c)
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            out.append(" " * (len(line) - i))
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def is_code(line):
    s = line.strip()
    return bool(s) and not s.startswith(("//", "#", "*", "/*")) and not s.startswith(("case ", "default:"))


def operator_sites(masked, old):
    """Offsets where old stands as a binary operator or a truth word. The tree is kept by
    clang-format, which puts a space on both sides of every binary operator, so " < " is a
    comparison and "vector<int>" or "char* p" are not."""
    if old in ("true", "false"):
        return [m.start() for m in re.finditer(r"\b%s\b" % old, masked)]
    return [m.start() + 1 for m in re.finditer(" %s " % re.escape(old), masked)]


def mutants_of_line(line):
    """Every mutant of one line as (description, new line)."""
    masked = mask_literals(line)
    found = []
    # The size of an array being declared is left alone (its numbers and its operators): one more
    # element is never used and one fewer is a bound every copy already keeps, so such mutants
    # only inflate the survivors.
    sizes = [m.span() for m in re.finditer(r"\[[^\]]*\]", masked)] if ARRAY_DECLARATION.match(line.strip()) else []

    def in_size(at):
        return any(a < at < b for a, b in sizes) and "=" not in masked[:at]
    for old, new in SWAPS:
        for a in operator_sites(masked, old):
            if not in_size(a):
                found.append(("'%s' -> '%s'" % (old, new), line[:a] + new + line[a + len(old):]))
    for m in NUMBER.finditer(masked):
        if in_size(m.start()):
            continue
        n = int(m.group(1))
        for delta in (1, -1):
            if n + delta >= 0:
                found.append(("%d -> %d" % (n, n + delta), line[:m.start()] + str(n + delta) + line[m.end():]))
    for m in CLAMPS.finditer(masked):
        # min(a, b) -> a: the clamp is dropped.
        depth, i, comma = 1, m.end(), None
        while i < len(masked) and depth:
            if masked[i] == "(":
                depth += 1
            elif masked[i] == ")":
                depth -= 1
            elif masked[i] == "," and depth == 1 and comma is None:
                comma = i
            i += 1
        if comma is not None and depth == 0:
            found.append(("clamp %s dropped" % m.group(1), line[:m.start()] + "(" + line[m.end():comma] + ")" + line[i:]))
    for m in CALL2.finditer(masked):
        # Keywords are not calls; swapping the arguments of a symmetric function changes nothing.
        if m.group(1) in ("if", "while", "for", "switch", "return", "sizeof", "min", "max", "fmin", "fmax",
                          "fminf", "fmaxf", "hypot", "swap"):
            continue
        a, b = line[m.start(2):m.end(2)], line[m.start(3):m.end(3)]
        if a.strip() != b.strip():
            found.append(("arguments of %s swapped" % m.group(1),
                          line[:m.start(2)] + b.strip() + ", " + a.strip() + line[m.end(3):]))
    for m in CONDITION.finditer(masked):
        # if (c) -> if (!(c)): the condition negated.
        depth, i = 1, m.end()
        while i < len(masked) and depth:
            depth += masked[i] == "("
            depth -= masked[i] == ")"
            i += 1
        if depth == 0:
            found.append(("condition negated", line[:m.end()] + "!(" + line[m.end():i - 1] + "))" + line[i:]))
    if is_droppable(line):
        indent = line[:len(line) - len(line.lstrip())]
        found.append(("statement dropped", indent + ";" + ("\n" if line.endswith("\n") else "")))
    return found


DECLARATION = re.compile(r"^(const\s+)?[\w:<>]+[\s\*&]+\w+(\[[^\]]*\])*\s*(=|;|\{)")
ARRAY_DECLARATION = re.compile(r"^((static|const|constexpr|extern|unsigned|signed)\s+)*[\w:<>]+[\s\*&]+\w+\s*(\[[^\]]*\])+(\s*,\s*\w+\s*(\[[^\]]*\])+)*\s*(=|;|\{)")
KEYWORD = re.compile(r"^(return|break|continue|case|default|else|goto|typedef|using|struct|enum|static|extern|throw|if|for|while|do)\b")


def is_droppable(line):
    """A whole statement on one line whose loss the program survives syntactically: an
    assignment or a call, not a declaration, a jump or a line that opens or closes a block."""
    s = line.strip()
    if not s.endswith(";") or KEYWORD.match(s) or DECLARATION.match(s) or "{" in s or "}" in s:
        return False
    return bool(re.search(r"(?<![=!<>])=(?!=)|\+\+|--|\)\s*;$", mask_literals(s)))


def source_files(paths):
    files = []
    for p in paths:
        if os.path.isdir(p):
            for root, _, names in os.walk(p):
                files += [os.path.join(root, n) for n in sorted(names) if n.endswith(".cpp")]
        elif p.endswith(".cpp"):
            files.append(p)
    return sorted(files)


def run(cmd, timeout):
    """The command's exit status and what it printed (-1 when it ran out of time)."""
    try:
        done = subprocess.run(cmd, shell=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout, universal_newlines=True, errors="replace")
        return done.returncode, done.stdout
    except subprocess.TimeoutExpired:
        return -1, ""


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("paths", nargs="*", default=ENGINE_FOLDERS)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--per-file", type=int, default=2, help="mutants tried in each file")
    ap.add_argument("--timeout", type=int, default=60,
                    help="seconds a test may run at the least (the unmutated run sets the real bound)")
    ap.add_argument("--build", default="build")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("--sample", type=int, default=0,
                    help="then keep this many of those mutants, drawn at random: a quicker look at the whole")
    ap.add_argument("--tests", help="run only the tests this ctest pattern matches: a quick look for gaps "
                    "while writing tests (a survivor may still be killed by a test left out)")
    args = ap.parse_args()

    rng = random.Random(args.seed)
    build = os.path.abspath(args.build)
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        sys.exit("mutate: %s is not a configured build folder (run scripts/build.sh first)" % build)
    env = "ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1"
    # What the tests need: the test programs (which bring the game and the content tools), not
    # the benchmarks.
    listing = subprocess.run(["cmake", "--build", build, "--target", "help"], stdout=subprocess.PIPE,
                             universal_newlines=True).stdout
    targets = sorted(set(re.findall(r"^\.\.\. (test_\w+)$", listing, re.M))) + ["kesrow"]
    build_cmd = "cmake --build '%s' -j%d --target %s" % (build, args.jobs, " ".join(targets))
    base_cmd = "cd '%s' && %s xvfb-run -a -s '-screen 0 1280x720x24' ctest -j%d" % (build, env, args.jobs)
    if args.tests:
        base_cmd += " -R '%s'" % args.tests.replace("'", "")

    # The mutated file's own folder's tests run first (each test is labelled with its folder), so
    # a mutant they kill is known in seconds; the rest of the suite runs only if they pass.
    def folder_of(path):
        return os.path.relpath(os.path.abspath(path), os.getcwd()).split(os.sep)[0]

    def own_tests(path):
        return test_cmd + " -L '^%s$'" % folder_of(path)

    def other_tests(path):
        return test_cmd + " -LE '^%s$'" % folder_of(path)
    if run(build_cmd, None)[0] != 0:
        sys.exit("mutate: the unmutated tree does not build")
    # The unmutated suite must pass, and its slowest test sets the timeout: a test that runs out
    # of time on a loaded machine would otherwise count as a kill. Five times the slowest test
    # still ends a mutant that hangs.
    status, out = run(base_cmd, None)
    if status != 0:
        sys.exit("mutate: the unmutated suite fails; fix it first:\n" + out[-2000:])
    slowest = max([float(t) for t in re.findall(r"Passed\s+([0-9.]+) sec", out)] or [0.0])
    timeout = max(args.timeout, int(5 * slowest) + 1)
    print("per-test timeout: %d s (the slowest unmutated test took %.0f s)" % (timeout, slowest), flush=True)
    test_cmd = base_cmd + " --timeout %d --stop-on-failure" % timeout

    plan = []
    for path in source_files(args.paths):
        with open(path) as f:
            lines = f.readlines()
        candidates = [(n, d, new) for n, line in enumerate(lines) if is_code(line) for d, new in mutants_of_line(line)]
        rng.shuffle(candidates)
        plan += [(path, lines, c) for c in candidates[:args.per_file]]
    if 0 < args.sample < len(plan):
        plan = sorted(rng.sample(plan, args.sample), key=lambda p: p[0])

    current = {"path": None, "lines": None}

    def restore(*_):
        if current["path"]:
            with open(current["path"], "w") as f:
                f.writelines(current["lines"])
        if _:
            sys.exit("mutate: interrupted, %s restored" % current["path"])

    signal.signal(signal.SIGINT, restore)
    signal.signal(signal.SIGTERM, restore)
    killed, survived, broken = 0, [], 0
    started = time.time()
    for k, (path, lines, (n, what, new)) in enumerate(plan, 1):
        current["path"], current["lines"] = path, lines
        mutated = lines[:n] + [new] + lines[n + 1:]
        with open(path, "w") as f:
            f.writelines(mutated)
        try:
            if run(build_cmd, 900)[0] != 0:
                broken += 1
                verdict = "does not build"
            else:
                status, out = run(own_tests(path), None)
                if status == 0:
                    status, out = run(other_tests(path), None)
                if status != 0:
                    killed += 1
                    # A hang is a kill too, but say so: it is worth a look when the machine is busy.
                    verdict = "killed (a test ran out of time)" if "***Timeout" in out else "killed"
                else:
                    survived.append((path, n + 1, what, lines[n].strip()))
                    verdict = "SURVIVED"
        finally:
            restore()
            current["path"] = None
        print("[%d/%d] %s:%d %s: %s" % (k, len(plan), path, n + 1, what, verdict), flush=True)
    run(build_cmd, None)

    tried = killed + len(survived)
    print("\nmutants: %d made, %d did not build, %d ran: %d killed, %d survived" % (len(plan), broken, tried, killed, len(survived)))
    if tried:
        print("kill rate: %.1f%% (%d of %d)" % (100.0 * killed / tried, killed, tried))
    print("time: %.0f min" % ((time.time() - started) / 60))
    for path, line, what, text in survived:
        print("survived: %s:%d %s    %s" % (path, line, what, text))


if __name__ == "__main__":
    main()
