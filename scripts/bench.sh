#!/usr/bin/env bash
# Runs the benchmarks of what a demo maker waits for and prints one table.
# Every figure comes with a baseline measured in the same run (a clear-only
# frame, a bare window start, copying the file's bytes, reading the screen
# with raw writes), so the ratios hold on a loaded machine.
#   scripts/bench.sh [repetitions]     (default 3; the median is shown)
# KINDRA_BENCH_NO_BUILD=1 skips the build; KINDRA_BENCH_OUT=<dir> keeps the
# JSON results there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
reps="${1:-3}"

if [ -z "${KINDRA_BENCH_NO_BUILD:-}" ]; then
  KINDRA_JOBS="${KINDRA_JOBS:-2}" "$root/scripts/build.sh" >/dev/null
fi
out="${KINDRA_BENCH_OUT:-$(mktemp -d)}"
mkdir -p "$out"

# name, path below bench/, filter, whether it needs a display
benches=(
  "effects demo/effects_bench . gl"
  "cubes demo/cubes_bench BM_CubesFramePart|BM_CloudsFloor gl"
  "startup demo/startup_bench . gl"
  "editor demo/editor_bench . gl"
  "dump kindra/kindra_bench BM_DumpAgainstReadPixels gl"
  "xml xml/xml_bench BM_ReadKindra$ -"
  "z3d z3d/z3d_load_bench BM_LoadMillionTriangles -"
  "am am/am_bench Decode -"
  "watch am/watch_bench . -"
)
gl=()
for entry in "${benches[@]}"; do
  read -r name path filter display <<<"$entry"
  binary="$build/bench/$path"
  [ -x "$binary" ] || { echo "skipped (not built): $path" >&2; continue; }
  args=("$binary" "--benchmark_filter=$filter" "--benchmark_repetitions=$reps"
        "--benchmark_out=$out/$name.json" "--benchmark_out_format=json")
  if [ "$display" = gl ]; then
    gl+=("$(printf '%q ' "${args[@]}") >/dev/null")
  else
    echo "running $path" >&2
    "${args[@]}" >/dev/null
  fi
done
if [ ${#gl[@]} -gt 0 ]; then
  echo "running the benchmarks on the display" >&2
  # one private X server for all of them
  script=""
  for command in "${gl[@]}"; do script+="echo '  $(basename "${command%% *}")' >&2; $command || true; "; done
  "$root/scripts/xvfb.sh" bash -c "$script"
fi
# Rendering a video: the first 10 s at 640x360 in one range and in two, once
# each (KINDRA_BENCH_NO_RENDER=1 leaves it out).
if [ -z "${KINDRA_BENCH_NO_RENDER:-}" ]; then
  echo "running scripts/render.sh -j 1 and -j 2" >&2
  times=()
  for j in 1 2; do
    started=$(date +%s.%N)
    KINDRA_BUILD_DIR="$build" "$root/scripts/render.sh" -s 640x360 -r 60 -t 10 -j "$j" -o "$out/render$j.mkv" \
      >/dev/null 2>&1 || { times=(); break; }
    times+=("$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')")
  done
  [ ${#times[@]} -ne 2 ] || printf '{"frames": 600, "j1_s": %s, "j2_s": %s}\n' "${times[@]}" >"$out/render.json"
fi
python3 "$root/scripts/bench_table.py" "$out"
