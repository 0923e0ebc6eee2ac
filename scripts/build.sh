#!/usr/bin/env bash
# Configures and builds the project (and its generated assets) into build/.
# Extra arguments go to the CMake configure step.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KINDRA_BUILD_DIR:-$root/build}"
jobs="${KINDRA_JOBS:-$(nproc)}"

launcher=()
# several checkouts of the project share one compiler cache when there is one
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
  export CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${KINDRA_BUILD_TYPE:-Release}" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "$jobs"
