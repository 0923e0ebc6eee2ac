#!/usr/bin/env bash
# Configures and builds the project (and its generated assets) into build/.
# Extra arguments go to the CMake configure step.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
jobs="${KINDRA_JOBS:-$(nproc)}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${KINDRA_BUILD_TYPE:-Release}" "$@" >/dev/null
cmake --build "$build" -j "$jobs"
