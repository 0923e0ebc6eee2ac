#!/usr/bin/env bash
# Line coverage of src/, demo/ and tools/ by the test suite, overall and per module.
# Builds build-cov/ with KINDRA_COVERAGE, runs every test but the valgrind one, and
# writes build-cov/coverage.txt (also printed). Needs gcovr (scripts/install-deps.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_COVERAGE_DIR:-$root/build-cov}"
KINDRA_BUILD_DIR="$build" KINDRA_BUILD_TYPE=Debug KINDRA_JOBS="${KINDRA_JOBS:-2}" \
  bash "$root/scripts/build.sh" -DKINDRA_TESTS=ON -DKINDRA_BENCH=OFF -DKINDRA_COVERAGE=ON
find "$build" -name '*.gcda' -delete
(cd "$build" && SDL_AUDIODRIVER=dummy "$root/scripts/xvfb.sh" ctest -LE valgrind -j1 --timeout 900 --output-on-failure) || true
gcovr -r "$root" "$build" --filter "$root/src/" --filter "$root/demo/" --filter "$root/tools/" \
  --gcov-ignore-parse-errors --json-summary "$build/coverage.json" >/dev/null
python3 - "$build/coverage.json" <<'PY' | tee "$build/coverage.txt"
import json, sys
files = json.load(open(sys.argv[1]))["files"]
mods = {}
for f in files:
    parts = f["filename"].split("/")
    mod = parts[1] if parts[0] == "src" else parts[0]
    c, t = mods.get(mod, (0, 0))
    mods[mod] = (c + f["line_covered"], t + f["line_total"])
cov = sum(c for c, _ in mods.values()); tot = sum(t for _, t in mods.values())
for mod in sorted(mods):
    c, t = mods[mod]
    print(f"{mod:10} {100.0 * c / t:6.2f}%  {c}/{t}")
print(f"{'overall':10} {100.0 * cov / tot:6.2f}%  {cov}/{tot}")
PY
