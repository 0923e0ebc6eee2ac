#!/usr/bin/env python3
"""Finds which tests execute each line of the mutation sample, so that
scripts/mutate.sh runs only those.

Runs every test of a coverage build (scripts/coverage.sh makes one) alone, from
no counts, and reads the line counts gcov gives for its run. Writes one row per
mutant to scripts/mutation/covering.tsv (or --out):
    id  file:line  tests (fastest first, space separated)
An empty test list: no test executes the line. "-": the line holds no counted
code (a declaration, a constant folded away), so mutate.sh runs the module's
tests. Run it again after the sources or the tests change. The coverage of all
tests together goes to covering-coverage.txt in the build, every line's count
to covering-lines.json, the tests that run each line to covering-tests.json.
    scripts/mutation/covering.py [--build build-cov] [--out FILE]
With --totals it runs no test: it prints the module table, counted the same
way, from the counts a whole run left in the build (scripts/coverage.sh).
"""
import argparse
import glob
import json
import os
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PRODUCT = ("src/", "demo/", "tools/")


def gcov(path):
    """Line counts of the product's files from one object's notes (and data, if any)."""
    out = subprocess.run(["gcov", "--json-format", "--stdout", "-o", os.path.dirname(path), path],
                         capture_output=True, text=True, cwd=os.path.dirname(path)).stdout
    counts = {}
    for doc in out.splitlines():
        if not doc.startswith("{"):
            continue
        data = json.loads(doc)
        for f in data["files"]:
            name = os.path.relpath(os.path.normpath(os.path.join(data["current_working_directory"], f["file"])), ROOT)
            if name.startswith(PRODUCT):
                lines = counts.setdefault(name, {})
                for line in f["lines"]:
                    lines[line["line_number"]] = lines.get(line["line_number"], 0) + line["count"]
    return counts


def snapshot(build, suffix):
    """Every counted line of the product in the build, summed over the objects."""
    merged = {}
    with ThreadPoolExecutor(2) as pool:
        for counts in pool.map(gcov, glob.glob(os.path.join(build, "**", "*" + suffix), recursive=True)):
            for name, lines in counts.items():
                into = merged.setdefault(name, {})
                for number, count in lines.items():
                    into[number] = into.get(number, 0) + count
    return merged


def clear(build):
    for path in glob.glob(os.path.join(build, "**", "*.gcda"), recursive=True):
        os.remove(path)


def report(build, merged):
    """The share of counted lines that ran, per module and overall."""
    modules = {}
    for name, lines in merged.items():
        parts = name.split("/")
        module = parts[1] if parts[0] == "src" else parts[0]
        covered, total = modules.get(module, (0, 0))
        modules[module] = (covered + sum(1 for c in lines.values() if c > 0), total + len(lines))
    rows = [f"{m:10} {100.0 * c / t:6.2f}%  {c}/{t}" for m, (c, t) in sorted(modules.items())]
    covered = sum(c for c, _ in modules.values())
    total = sum(t for _, t in modules.values())
    rows.append(f"{'overall':10} {100.0 * covered / total:6.2f}%  {covered}/{total}")
    open(os.path.join(build, "covering-coverage.txt"), "w").write("\n".join(rows) + "\n")
    print("\n".join(rows))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build-cov"))
    parser.add_argument("--out", default=os.path.join(ROOT, "scripts", "mutation", "covering.tsv"))
    parser.add_argument("--totals", action="store_true")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    if args.totals:
        merged = {name: {n: 0 for n in lines} for name, lines in snapshot(build, ".gcno").items()}
        for name, lines in snapshot(build, ".gcda").items():
            into = merged.setdefault(name, {})
            for number, count in lines.items():
                into[number] = into.get(number, 0) + count
        report(build, merged)
        return
    if not os.path.exists(os.path.join(build, "CTestTestfile.cmake")):
        sys.exit(f"covering.py: {build} is not a coverage build with tests")

    mutants = []
    for row in open(os.path.join(ROOT, "scripts", "mutation", "mutants.tsv")):
        mid, _, path, line, _, original, _ = row.rstrip("\n").split("\t")
        at = subprocess.run(["awk", "-v", "n=" + line, "-v", "want=" + original, "-f",
                             os.path.join(ROOT, "scripts", "mutation", "locate.awk"), os.path.join(ROOT, path)],
                            capture_output=True, text=True).stdout.strip()
        mutants.append((mid, path, int(at or 0)))

    listing = subprocess.run(["ctest", "-N", "-LE", "valgrind"], cwd=build, capture_output=True, text=True).stdout
    tests = [l.split(": ", 1)[1].strip() for l in listing.splitlines() if l.strip().startswith("Test") and ": " in l]

    clear(build)
    merged = {name: {n: 0 for n in lines} for name, lines in snapshot(build, ".gcno").items()}
    hits = {}      # (file, line) -> tests that executed it
    seconds = {}
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    for test in tests:
        clear(build)
        start = time.monotonic()
        run = subprocess.run([os.path.join(ROOT, "scripts", "xvfb.sh"), "ctest", "-R", f"^{test}$", "--timeout", "900"],
                             cwd=build, env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True)
        seconds[test] = time.monotonic() - start
        if run.returncode != 0:
            print(f"covering.py: {test} fails in the coverage build; its counts are used all the same", file=sys.stderr)
        for name, lines in snapshot(build, ".gcda").items():
            into = merged.setdefault(name, {})
            for number, count in lines.items():
                into[number] = into.get(number, 0) + count
                if count > 0:
                    hits.setdefault((name, number), []).append(test)
        print(f"{test} {seconds[test]:.1f}s", file=sys.stderr)
    clear(build)

    with open(args.out + ".tmp", "w") as out:
        for mid, path, line in mutants:
            if line not in merged.get(path, {}):
                names = "-"
            else:
                names = " ".join(sorted(hits.get((path, line), []), key=seconds.get))
            out.write(f"{mid}\t{path}:{line}\t{names}\n")
    os.replace(args.out + ".tmp", args.out)

    with open(os.path.join(build, "covering-lines.json"), "w") as out:
        json.dump(merged, out)
    # which tests run each line: a test that runs no line alone adds no coverage
    tests_of = {}
    for (name, number), names in hits.items():
        tests_of.setdefault(name, {})[number] = names
    with open(os.path.join(build, "covering-tests.json"), "w") as out:
        json.dump(tests_of, out)
    report(build, merged)

if __name__ == "__main__":
    main()
