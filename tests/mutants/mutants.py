#!/usr/bin/env python3
"""Seeded faults: how many of them the test suite catches.

  mutants.py pick [--seed N] [--count N]     chooses mechanical mutants of the program's sources
                                             and writes them to list.jsonl (commit that file)
  mutants.py run [--only ID,...] [--jobs N]  builds each fault in a private work tree and runs
                                             the suite until its first failure; writes results.tsv

A fault is either a mechanical mutant (one line of list.jsonl: the file, the line as it stands,
the line as it becomes) or a patch in faults/ that puts back a mended fault (git apply).
A fault is "caught" when a test fails or times out, "missed" when every test passes and
"stillborn" when it does not build. A mutant whose line is no longer found is "stale".
"""
import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
LIST = os.path.join(HERE, "list.jsonl")
FAULTS = os.path.join(HERE, "faults")
PROGRAM_DIRS = ["common", "ui", "browser", "reports", "app", "codelists", "partners", "combined",
                "payroll", "backup"]

# (name, pattern, replacement): each applies at one match of the line.
OPERATORS = [
    ("eq-ne", r" == ", " != "),
    ("ne-eq", r" != ", " == "),
    ("lt-le", r" < ", " <= "),
    ("le-lt", r" <= ", " < "),
    ("gt-ge", r" > ", " >= "),
    ("ge-gt", r" >= ", " > "),
    ("and-or", r" && ", " || "),
    ("or-and", r" \|\| ", " && "),
    ("plus1-minus1", r" \+ 1\b", " - 1"),
    ("minus1-plus1", r" - 1\b", " + 1"),
    ("true-false", r"return true;", "return false;"),
    ("false-true", r"return false;", "return true;"),
    ("not-dropped", r"if \(!", "if ("),
    ("call-dropped", r"^(\s*)[A-Za-z_][\w:.>\-]*\(.*\);\s*$", r"\1;"),
]


def program_sources():
    out = subprocess.run(["git", "ls-files"] + PROGRAM_DIRS, cwd=ROOT, check=True,
                         capture_output=True, text=True).stdout.split()
    return sorted(f for f in out if f.endswith(".cpp") and not f.startswith("ui/qt/"))


def candidate_lines(path):
    with open(os.path.join(ROOT, path), encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    for number, line in enumerate(lines, 1):
        code = line.strip()
        if not code or code.startswith(("//", "#", "*")) or '"' in code or "template" in code:
            continue
        for name, pattern, repl in OPERATORS:
            matches = list(re.finditer(pattern, line))
            for k, _ in enumerate(matches):
                yield number, line, name, k


def mutate(line, operator, occurrence):
    pattern, repl = next((p, r) for n, p, r in OPERATORS if n == operator)
    matches = list(re.finditer(pattern, line))
    if occurrence >= len(matches):
        return None
    m = matches[occurrence]
    return line[:m.start()] + m.expand(repl) + line[m.end():]


def pick(args):
    rng = random.Random(args.seed)
    files = program_sources()
    chosen, seen = [], set()
    while len(chosen) < args.count:
        path = rng.choice(files)
        cands = list(candidate_lines(path))
        if not cands:
            continue
        number, line, operator, occ = rng.choice(cands)
        if (path, number, operator, occ) in seen:
            continue
        seen.add((path, number, operator, occ))
        chosen.append({"id": "m%03d" % (len(chosen) + 1), "file": path, "line": number, "operator": operator,
                       "occurrence": occ, "before": line, "after": mutate(line, operator, occ)})
    with open(LIST, "w", encoding="utf-8", errors="surrogateescape") as f:
        for m in chosen:
            f.write(json.dumps(m, ensure_ascii=False) + "\n")
    print("%d mutants written to %s" % (len(chosen), os.path.relpath(LIST, ROOT)))


def sh(cmd, cwd, timeout=None):
    try:
        return subprocess.run(cmd, cwd=cwd, shell=True, capture_output=True, text=True, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def apply_mutant(tree, m):
    path = os.path.join(tree, m["file"])
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    index = m["line"] - 1
    if not (0 <= index < len(lines) and lines[index] == m["before"]):
        hits = [i for i, l in enumerate(lines) if l == m["before"]]
        if len(hits) != 1:
            return False
        index = hits[0]
    lines[index] = m["after"]
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write("\n".join(lines))
    return True


def faults():
    out = []
    with open(LIST, encoding="utf-8", errors="surrogateescape") as f:
        out += [json.loads(l) for l in f if l.strip()]
    if os.path.isdir(FAULTS):
        out += [{"id": os.path.splitext(p)[0], "patch": os.path.join(FAULTS, p)}
                for p in sorted(os.listdir(FAULTS)) if p.endswith(".patch")]
    return out


def run(args):
    tree = os.path.join(ROOT, "build-mutants", "tree")
    build = os.path.join(tree, "build")  # inside the tree, so that ccache sees the same relative paths
    if os.path.isdir(tree):
        sh("git worktree remove --force " + tree, ROOT)
    shutil.rmtree(tree, ignore_errors=True)
    if sh("git worktree add --detach %s HEAD" % tree, ROOT) != 0:
        sys.exit("mutants: cannot make the work tree " + tree)
    env_build = "cmake -S %s -B %s -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo" % (tree, build)
    if shutil.which("ccache"):
        env_build += " -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
    if sh(env_build, ROOT) != 0 or sh("cmake --build %s -j%d" % (build, args.jobs), ROOT) != 0:
        sys.exit("mutants: the unchanged tree does not build")
    test = "QT_QPA_PLATFORM=offscreen ctest --stop-on-failure --timeout 120 -j%d" % args.jobs
    if sh(test, build) != 0:
        sys.exit("mutants: the unchanged tree does not pass its tests")
    only = set(args.only.split(",")) if args.only else None
    results = []
    for fault in faults():
        if only and fault["id"] not in only:
            continue
        started = time.time()
        if "patch" in fault:
            ok = sh("git apply " + fault["patch"], tree) == 0
        else:
            ok = apply_mutant(tree, fault)
        if not ok:
            status = "stale"
        elif sh("cmake --build %s -j%d" % (build, args.jobs), ROOT) != 0:
            status = "stillborn"
        else:
            status = "missed" if sh(test, build, timeout=900) == 0 else "caught"
        sh("git checkout -- . && git clean -fdq", tree)
        results.append((fault["id"], status, "%.0f" % (time.time() - started)))
        print("\t".join(results[-1]), flush=True)
    with open(os.path.join(ROOT, "build-mutants", "results.tsv"), "w") as f:
        f.writelines("\t".join(r) + "\n" for r in results)
    counts = {s: sum(1 for r in results if r[1] == s) for s in ("caught", "missed", "stillborn", "stale")}
    print("caught %(caught)d, missed %(missed)d, stillborn %(stillborn)d, stale %(stale)d" % counts)
    missed = [r[0] for r in results if r[1] == "missed"]
    if missed:
        print("missed: " + ", ".join(missed))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("pick")
    p.add_argument("--seed", type=int, default=48)
    p.add_argument("--count", type=int, default=120)
    r = sub.add_parser("run")
    r.add_argument("--only", default="")
    r.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()
    (pick if args.command == "pick" else run)(args)


if __name__ == "__main__":
    main()
