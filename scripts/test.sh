#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite,
# the tests that need a display included (under a private Xvfb when headless).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DKINDRA_TESTS=ON -DKINDRA_BENCH=ON
export SDL_AUDIODRIVER=dummy
(cd "$build" && "$root/scripts/xvfb.sh" ctest --output-on-failure -j "${KINDRA_JOBS:-$(nproc)}" "$@")
# a short fuzzing pass over every reader of untrusted bytes
"$root/scripts/fuzz.sh" "${KINDRA_FUZZ_SECONDS:-30}"
