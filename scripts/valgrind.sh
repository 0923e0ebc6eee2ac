#!/usr/bin/env bash
# The demo under valgrind's memory checker: scripts/valgrind.sh [seconds-of-play]
# In a scratch copy of data/ under the display (or a private Xvfb) the demo
# loads, plays for the given time and is quit with Escape, so that the exit
# path (saving the setup and the scripts) runs too. Fails on any memory error
# and on leaks reported as definite; only the graphics driver's and the X
# libraries' own are suppressed (scripts/valgrind.supp). The report goes to
# $KINDRA_VALGRIND_OUT (default build/valgrind.log).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
seconds="${1:-10}"
report="${KINDRA_VALGRIND_OUT:-$build/valgrind.log}"
binary="$build/demo/kindra"
[ -x "$binary" ] || { echo "valgrind.sh: $binary is missing (scripts/build.sh)"; exit 1; }
# as a test it runs on demand only
if [ -n "${KINDRA_VALGRIND_CTEST:-}" ] && [ -z "${KINDRA_VALGRIND:-}" ]; then
  echo "valgrind.sh: skipped; KINDRA_VALGRIND=1 runs it"
  exit 77
fi

if [ -z "${KINDRA_VALGRIND_INNER:-}" ]; then
  export KINDRA_VALGRIND_INNER=1
  exec "$root/scripts/xvfb.sh" "$0" "$@"
fi

source "$root/scripts/scratch.sh" valgrind
# a local setup, so that its writing at exit is checked as well
cp "$root/data/setup.xml" "$work/setup.local.xml"
log="$work/demo.log"

export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
# One report per process (a library may fork a helper); the driver's
# symbols are kept after it is unloaded, so that its suppressions match.
(cd "$work" && exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
   --errors-for-leak-kinds=definite --error-exitcode=99 --track-origins=no --num-callers=40 \
   --keep-debuginfo=yes --suppressions="$root/scripts/valgrind.supp" --log-file="$work/valgrind.%p.log" \
   "$binary") >"$log" 2>&1 &
pid=$!

# loading runs at the checker's pace
for _ in $(seq 1 6000); do
  grep -q '^---$' "$log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '^---$' "$log"; then
  echo "valgrind.sh: the demo did not start playing"
  tail -n 20 "$log"
  exit 1
fi
sleep "$seconds"
window=$(xdotool search --all --pid "$pid" --name '^Kindra$' 2>/dev/null | head -n 1 || true)
for _ in $(seq 1 20); do
  [ -n "$window" ] && xdotool key --window "$window" Escape 2>/dev/null && break
  sleep 1
done
status=0
wait "$pid" || status=$?
cp "$work/valgrind.$pid.log" "$report"
pid=""

grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|in use at exit' "$report" | sed 's/^==[0-9]*== */valgrind.sh: /'
if [ "$status" -ne 0 ]; then
  echo "valgrind.sh: status $status; see $report"
  grep -q 'closing display' "$log" || tail -n 20 "$log"
  exit 1
fi
echo "valgrind.sh: passed; report in $report"
