#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite,
# the tests that need a display included (under a private Xvfb when headless);
# then the same suite built with address and undefined-behaviour sanitizers
# (build-asan/), and a short fuzzing pass.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
jobs="${KINDRA_JOBS:-$(nproc)}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DKINDRA_TESTS=ON -DKINDRA_BENCH=ON
export SDL_AUDIODRIVER=dummy
(cd "$build" && "$root/scripts/xvfb.sh" ctest --output-on-failure -j "$jobs" "$@")

if [ "${KINDRA_SANITIZED_TESTS:-on}" != off ]; then
  # Lightly optimised: the sanitizers' checks stay, the build stays short.
  # Leaks of the graphics driver and the X libraries are theirs (lsan.supp).
  asan="${KINDRA_ASAN_BUILD_DIR:-$root/build-asan}"
  KINDRA_BUILD_DIR="$asan" KINDRA_BUILD_TYPE=Debug "$root/scripts/build.sh" -DKINDRA_SANITIZE=ON \
    -DKINDRA_TESTS=ON -DKINDRA_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1"
  export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=0:verify_asan_link_order=0"
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # The graphics driver is unloaded before the leak check runs, which then
  # cannot name it; loaded from the start it stays, and its leaks match.
  preload=()
  for driver in /usr/lib/*/dri/swrast_dri.so /usr/lib/dri/swrast_dri.so; do
    [ -f "$driver" ] && { preload=(env "LD_PRELOAD=$driver"); break; }
  done
  (cd "$asan" && "$root/scripts/xvfb.sh" "${preload[@]}" ctest --output-on-failure -j "$jobs" "$@")
  unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
fi

# a short fuzzing pass over every reader of untrusted bytes
"$root/scripts/fuzz.sh" "${KINDRA_FUZZ_SECONDS:-15}"
