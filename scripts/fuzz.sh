#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address + undefined sanitizers) and
# runs each for a bounded time: scripts/fuzz.sh [seconds-per-target] [target...]
# Findings are kept in build-fuzz/findings/<target>/; the run fails on any.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-30}"
shift || true

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
  export CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKINDRA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
targets=("$@")
# named targets: only those are built
build_targets=()
[ ${#targets[@]} -gt 0 ] && build_targets=(--target "${targets[@]}")
cmake --build "$build" -j "${KINDRA_JOBS:-$(nproc)}" "${build_targets[@]}"

if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(grep -v '^$' "$build/fuzzers.txt" || true)
fi
[ ${#targets[@]} -gt 0 ] || { echo "fuzz.sh: no fuzz targets"; exit 0; }

# A small quarantine keeps freed memory from counting against the RSS limit
# on long runs (the live heap stays small).
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"

failed=0
for t in "${targets[@]}"; do
  exe="$(find "$build/fuzz" -type f -name "$t" -perm -u+x | head -n 1)"
  [ -n "$exe" ] || { echo "fuzz.sh: $t not built"; failed=1; continue; }
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$corpus" "$findings"
  seeds=()
  for d in "$root"/fuzz/*/seeds/"$t"; do [ -d "$d" ] && seeds+=("$d"); done
  # generated assets that suit the target (fuzz/<module>/<target>.assets lists
  # patterns below data/); they are there after a normal build
  generated="$build/generated-seeds/$t"
  rm -rf "$generated"
  mkdir -p "$generated"
  for list in "$root"/fuzz/*/"$t".assets; do
    [ -f "$list" ] || continue
    while read -r pattern; do
      [ -n "$pattern" ] || continue
      for f in "$root"/data/$pattern; do
        [ -f "$f" ] && cp "$f" "$generated/$(echo "${f#"$root"/data/}" | tr / _)"
      done
    done <"$list"
  done
  [ -n "$(ls -A "$generated")" ] && seeds+=("$generated")
  echo "fuzz.sh: $t for ${seconds}s"
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" >"$build/$t.log" 2>&1; then
    echo "fuzz.sh: $t FAILED, see $build/$t.log and $findings/"
    tail -n 30 "$build/$t.log"
    failed=1
  else
    grep -E '^stat::number_of_executed_units' "$build/$t.log" | sed "s/^/  $t /" || true
  fi
done
exit $failed
