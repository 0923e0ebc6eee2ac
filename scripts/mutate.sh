#!/usr/bin/env bash
# Applies the fixed mutation sample (scripts/mutation/mutants.tsv, made by
# generate.py) one mutant at a time, rebuilds only the tests of the mutated
# module, runs them, restores the source and reports killed / survived per
# module and every survivor. A mutant that does not build counts as neither.
#   scripts/mutate.sh [module ...]      (default: every module)
# KINDRA_BUILD_DIR: a configured build with tests (default build/);
# KINDRA_MUTATE_TIMEOUT: seconds per test (default 300); KINDRA_MUTATE_IDS: only
# these mutants ("m012 m013"); results go to $KINDRA_BUILD_DIR/mutation.log,
# appended to as mutants finish.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
timeout="${KINDRA_MUTATE_TIMEOUT:-300}"
list="$root/scripts/mutation/mutants.tsv"
# as build.sh: checkouts share one compiler cache, so a restored source is a cache hit
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
export CCACHE_NOHASHDIR=1
log="$build/mutation.log"

# the tests that cover each module (ctest name filters)
declare -A TESTS=(
  [common]='^(common_test|xml_.*|chunklib_test)$'
  [mathbase]='^(mathbase_test|spline_test|z3d_track_test)$'
  [xml]='^xml_.*$'
  [chunklib]='^(chunklib_test|z3d_roundtrip_test)$'
  [am]='^(am_.*|dump_e2e_test)$'
  [display]='^(display_.*|tools_font_test)$'
  [z3d]='^(z3d_.*|tools_asset_test)$'
  [brontel]='^(brontel_.*|cubes_tower_test)$'
  [tessel]='^(tessel_.*|kindra_(bar|plugins|camera|gui|timeline)_test)$'
  [kindra]='^(kindra_.*|e2e_test|fault_e2e_test|effects_e2e_test)$'
  [demo]='^(demo_.*|closing_.*|cubes_.*|e2e_test|render_e2e_test)$'
  [tools]='^(tools_.*|music_.*|demo_e2e_test)$'
)

[ -f "$build/CTestTestfile.cmake" ] || { echo "mutate.sh: $build is not a configured build with tests" >&2; exit 1; }
modules=("$@")
[ ${#modules[@]} -gt 0 ] || modules=(common mathbase xml chunklib am display z3d brontel tessel kindra demo tools)

backup="$(mktemp -d)"
current=""
restore() {
  if [ -n "$current" ]; then
    # a new time stamp, so that the next build compiles the restored source again
    cp "$backup/original" "$root/$current"
    current=""
  fi
}
trap 'restore; rm -rf "$backup"' EXIT
trap 'restore; exit 130' INT TERM

tests_of() { (cd "$build" && ctest -N -R "$1" | sed -n 's/^ *Test *#[0-9]*: //p'); }

declare -A killed survived stillborn
survivors=()
: >>"$log"
echo "# $(date -u +%FT%TZ) $(git -C "$root" rev-parse --short HEAD) ${modules[*]}" >>"$log"
for module in "${modules[@]}"; do
  filter="${TESTS[$module]:-}"
  [ -n "$filter" ] || { echo "mutate.sh: unknown module $module" >&2; exit 1; }
  mapfile -t targets < <(tests_of "$filter")
  killed[$module]=0; survived[$module]=0; stillborn[$module]=0
  # the unmutated tree first, so that a build step is never blamed on a mutant,
  # and a test that fails without any mutant (a busy machine) is left out
  nice -n 10 cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null || { echo "mutate.sh: $module does not build unmutated" >&2; exit 1; }
  exclude='^$'
  if ! (cd "$build" && SDL_AUDIODRIVER=dummy nice -n 10 "$root/scripts/xvfb.sh" \
          ctest -R "$filter" --timeout "$timeout" >"$backup/baseline.log" 2>&1); then
    failing="$(sed -n 's/^.*[0-9]* - \([A-Za-z0-9_]*\) (.*)$/\1/p' "$backup/baseline.log" | paste -sd'|')"
    exclude="^(${failing})\$"
    echo "# $module: failing without a mutant, left out: $failing" | tee -a "$log"
  fi
  while IFS=$'\t' read -r id mod file line kind original mutated; do
    [ "$mod" = "$module" ] || continue
    if [ -n "${KINDRA_MUTATE_IDS:-}" ] && [[ " $KINDRA_MUTATE_IDS " != *" $id "* ]]; then continue; fi
    path="$root/$file"
    # the recorded line, or the one line in the file that still reads the same
    at="$(awk -v n="$line" -v want="$original" '{ s=$0; sub(/^[ \t]+/, "", s); sub(/[ \t]*\/\/.*$/, "", s); sub(/[ \t]+$/, "", s) }
      NR==n && s==want { print NR; found=1; exit } s==want { hits[++k]=NR } END { if (!found && k==1) print hits[1] }' "$path")"
    if [ -z "$at" ]; then
      echo "$id $module stale: $file:$line no longer reads '$original'" | tee -a "$log"
      stillborn[$module]=$((stillborn[$module] + 1)); continue
    fi
    cp -p "$path" "$backup/original"; current="$file"
    MUTATED="$mutated" awk -v n="$at" 'NR==n { match($0, /^[ \t]*/); $0 = substr($0, 1, RLENGTH) ENVIRON["MUTATED"] } { print }' \
      "$backup/original" >"$path"
    if ! nice -n 10 cmake --build "$build" -j2 --target "${targets[@]}" >"$backup/build.log" 2>&1; then
      result=stillborn; stillborn[$module]=$((stillborn[$module] + 1))
    elif (cd "$build" && SDL_AUDIODRIVER=dummy nice -n 10 "$root/scripts/xvfb.sh" \
            ctest -R "$filter" -E "$exclude" --timeout "$timeout" --stop-on-failure >"$backup/test.log" 2>&1) ||
         (cd "$build" && SDL_AUDIODRIVER=dummy nice -n 10 "$root/scripts/xvfb.sh" \
            ctest --rerun-failed --timeout "$timeout" >>"$backup/test.log" 2>&1); then
      # a failure that does not come again was the machine, not the mutant
      result=survived; survived[$module]=$((survived[$module] + 1))
      survivors+=("$id $file:$at $kind: $original  ->  $mutated")
    else
      result=killed; killed[$module]=$((killed[$module] + 1))
    fi
    restore
    echo "$id $module $result $file:$at $kind" | tee -a "$log"
  done <"$list"
done
# leave the build matching the restored sources (generated assets included)
nice -n 10 cmake --build "$build" -j2 >/dev/null 2>&1

echo
printf '%-10s %7s %9s %10s\n' module killed survived stillborn | tee -a "$log"
tk=0; ts=0
for module in "${modules[@]}"; do
  printf '%-10s %7d %9d %10d\n' "$module" "${killed[$module]}" "${survived[$module]}" "${stillborn[$module]}" | tee -a "$log"
  tk=$((tk + killed[$module])); ts=$((ts + survived[$module]))
done
printf '%-10s %7d %9d\n' total "$tk" "$ts" | tee -a "$log"
if [ ${#survivors[@]} -gt 0 ]; then
  echo "survivors:" | tee -a "$log"
  printf '  %s\n' "${survivors[@]}" | tee -a "$log"
fi
