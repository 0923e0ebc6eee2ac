#!/usr/bin/env bash
# Plays the demo looping for a long run: scripts/soak.sh [seconds] [sample-seconds]
# In a scratch copy of data/ with `loop` on and no frame dump, under the
# display (or a private Xvfb), the demo's resident memory is sampled; the run
# fails when the demo stops, logs an error (GL errors included) or its memory
# keeps growing after the warm-up. Samples go to $KINDRA_SOAK_OUT (default
# build/soak.csv); the demo's log beside them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
seconds="${1:-600}"
every="${2:-10}"
out="${KINDRA_SOAK_OUT:-$build/soak.csv}"
log="${out%.csv}.log"
binary="$build/demo/kindra"
[ -x "$binary" ] || { echo "soak.sh: $binary is missing (scripts/build.sh)"; exit 1; }

if [ -z "${KINDRA_SOAK_INNER:-}" ]; then
  export KINDRA_SOAK_INNER=1
  exec "$root/scripts/xvfb.sh" "$0" "$@"
fi

source "$root/scripts/scratch.sh" soak
# looping on, no dump (the shared setup has none; a local one is replaced)
sed -e 's/loop="[^"]*"/loop="on"/' -e '/<dump /d' "$root/data/setup.xml" >"$work/setup.local.xml"
grep -q 'loop="on"' "$work/setup.local.xml" || { echo "soak.sh: the setup has no loop attribute"; exit 1; }

export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
(cd "$work" && exec "$binary") >"$log" 2>&1 &
pid=$!

# until it plays
for _ in $(seq 1 600); do
  grep -q '^---$' "$log" && break
  kill -0 "$pid" 2>/dev/null || { echo "soak.sh: the demo ended while loading"; tail -n 20 "$log"; exit 1; }
  sleep 0.1
done
grep -q '^---$' "$log" || { echo "soak.sh: the demo did not start playing"; exit 1; }

echo "seconds,rss_kb" >"$out"
start=$(date +%s)
while :; do
  now=$(( $(date +%s) - start ))
  kill -0 "$pid" 2>/dev/null || { echo "soak.sh: the demo stopped after ${now}s"; tail -n 20 "$log"; exit 1; }
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  echo "$now,$rss" >>"$out"
  [ "$now" -ge "$seconds" ] && break
  sleep "$every"
done

# quit as the user does; the demo writes its files and ends with status 0
window=$(xdotool search --all --pid "$pid" --name '^Kindra$' 2>/dev/null | head -n 1 || true)
[ -n "$window" ] && xdotool key --window "$window" Escape 2>/dev/null || kill "$pid"
status=0
wait "$pid" || status=$?
pid=""

failed=0
if [ "$status" -ne 0 ]; then echo "soak.sh: the demo ended with status $status"; failed=1; fi
if grep -E '^\[error\]|GL-error' "$log"; then echo "soak.sh: errors were logged"; failed=1; fi
# Memory after the warm-up (the first fifth of the run, at least one loop of
# caches filling) against the end: flat means the last samples are within
# 8 MiB + 5 % of the first ones.
awk -F, -v warm="$(( seconds / 5 ))" '
  NR == 1 { next }
  { all[++n] = $2; t[n] = $1; if (min == "" || $2 < min) min = $2; if ($2 > max) max = $2 }
  $1 >= warm && base == "" { base = $2; bt = $1 }
  END {
    last = all[n]
    # the highest of the last three samples: no luck with one low reading
    for (i = n; i > n - 3 && i > 0; --i) if (all[i] > top) top = all[i]
    printf "soak.sh: %d samples over %ds; RSS min %d kB, max %d kB; %d kB at %ds, %d kB at the end\n",
           n, t[n], min, max, base, bt, last
    if (top > base * 1.05 + 8192) { print "soak.sh: memory grows"; exit 1 }
  }' "$out" || failed=1
[ "$failed" -eq 0 ] && echo "soak.sh: passed; samples in $out, log in $log"
exit $failed
