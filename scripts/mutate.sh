#!/usr/bin/env bash
# Applies the fixed mutation sample (scripts/mutation/mutants.tsv, made by
# generate.py) one mutant at a time and runs the tests that execute the
# mutated line (scripts/mutation/covering.tsv, made by covering.sh), fastest
# first, each built just before it runs, stopping at the first that fails;
# then restores the source. Where the list has no row for the mutant or the
# line has moved, the tests of its module run instead. A mutant no test
# executes survives "not reached" without a build; one that does not build
# counts as stillborn, as does one whose line is gone (stale). Reports
# killed / survived per module and every survivor.
#   scripts/mutate.sh [module ...]      (default: every module)
# KINDRA_BUILD_DIR: a configured build with tests, not a coverage build
# (default build/); KINDRA_MUTATE_TIMEOUT: seconds per test (default 300);
# KINDRA_MUTATE_IDS: only these mutants ("m012 m013"); KINDRA_MUTATE_COVERING:
# the covering list ("none": the module's tests for every mutant). Results go
# to $KINDRA_BUILD_DIR/mutation.log, appended to as mutants finish.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
timeout="${KINDRA_MUTATE_TIMEOUT:-300}"
list="$root/scripts/mutation/mutants.tsv"
covering="${KINDRA_MUTATE_COVERING:-$root/scripts/mutation/covering.tsv}"
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
apply() {  # file line mutated
  cp -p "$root/$1" "$backup/original"; current="$1"
  MUTATED="$3" awk -v n="$2" 'NR==n { match($0, /^[ \t]*/); $0 = substr($0, 1, RLENGTH) ENVIRON["MUTATED"] } { print }' \
    "$backup/original" >"$root/$1"
}
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
# a private X server that does not come up on a busy machine is tried again, not blamed on the test
run_test() {
  local attempt
  for attempt in 1 2 3; do
    (cd "$build" && SDL_AUDIODRIVER=dummy nice -n 10 "$root/scripts/xvfb.sh" \
       ctest -R "^$1\$" --timeout "$timeout" </dev/null >"$backup/test.log" 2>&1) && return 0
    grep -q '^xvfb.sh: ' "$backup/test.log" || return 1
    sleep 5
  done
  return 1
}
# a test that is its own executable builds alone; a script test builds everything
build_test() {
  local target=all
  [ -n "$(find "$build" -type f -name "$1" -perm -u+x -print -quit)" ] && target="$1"
  nice -n 10 cmake --build "$build" -j2 --target "$target" </dev/null >"$backup/build.log" 2>&1
}
declare -A covered
if [ "$covering" != none ] && [ -f "$covering" ]; then
  while IFS=$'\t' read -r id at names; do covered[$id]="$at"$'\t'"$names"; done <"$covering"
fi

# the unmutated tree first, so that a build step is never blamed on a mutant
nice -n 10 cmake --build "$build" -j2 >/dev/null || { echo "mutate.sh: the tree does not build unmutated" >&2; exit 1; }
declare -A killed survived stillborn passing broken
survivors=()
: >>"$log"
echo "# $(date -u +%FT%TZ) $(git -C "$root" rev-parse --short HEAD) ${modules[*]}" >>"$log"
for module in "${modules[@]}"; do
  filter="${TESTS[$module]:-}"
  [ -n "$filter" ] || { echo "mutate.sh: unknown module $module" >&2; exit 1; }
  mapfile -t module_tests < <(tests_of "$filter")
  killed[$module]=0; survived[$module]=0; stillborn[$module]=0
  while IFS=$'\t' read -r id mod file line kind original mutated; do
    [ "$mod" = "$module" ] || continue
    if [ -n "${KINDRA_MUTATE_IDS:-}" ] && [[ " $KINDRA_MUTATE_IDS " != *" $id "* ]]; then continue; fi
    # the recorded line, or the nearest line in the file that still reads the same
    at="$(awk -v n="$line" -v want="$original" -f "$root/scripts/mutation/locate.awk" "$root/$file")"
    if [ -z "$at" ]; then
      echo "$id $module stale: $file:$line no longer reads '$original'" | tee -a "$log"
      stillborn[$module]=$((stillborn[$module] + 1)); continue
    fi
    row="${covered[$id]:-}"
    if [ -n "$row" ] && [ "${row%%$'\t'*}" = "$file:$at" ] && [ "${row#*$'\t'}" != - ]; then
      read -r -a targets <<<"${row#*$'\t'}"
    else
      targets=("${module_tests[@]}")
    fi
    result=survived note=""
    if [ ${#targets[@]} -eq 0 ]; then
      note=" (not reached)"
    else
      apply "$file" "$at" "$mutated"
      for test in "${targets[@]}"; do
        [ -z "${broken[$test]:-}" ] || continue
        build_test "$test" || { result=stillborn; break; }
        run_test "$test" && continue
        # a failure that does not come again was the machine, not the mutant; a hang is the mutant
        grep -q '\*\*\*Timeout' "$backup/test.log" || ! run_test "$test" || continue
        if [ -z "${passing[$test]:-}" ]; then
          # does it fail without the mutant too (a busy machine, a broken test)?
          restore
          if build_test "$test" && run_test "$test"; then
            passing[$test]=1
          else
            broken[$test]=1
            echo "# $test fails without a mutant, left out" | tee -a "$log"
            apply "$file" "$at" "$mutated"; continue
          fi
        fi
        result=killed; note=" by $test"; break
      done
      restore
    fi
    case $result in
      killed) killed[$module]=$((killed[$module] + 1)) ;;
      stillborn) stillborn[$module]=$((stillborn[$module] + 1)) ;;
      survived) survived[$module]=$((survived[$module] + 1))
                survivors+=("$id $file:$at $kind: $original  ->  $mutated$note") ;;
    esac
    echo "$id $module $result$note $file:$at $kind" | tee -a "$log"
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
