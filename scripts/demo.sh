#!/usr/bin/env bash
# Installs what is missing, builds the demo and its assets, and plays it
# (under a private Xvfb when there is no display).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DKINDRA_TESTS=OFF -DKINDRA_BENCH=OFF
cd "$root/data"
# headless: no sound card either
if [ -z "${DISPLAY:-}" ]; then export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"; fi
exec "$root/scripts/xvfb.sh" "${KINDRA_BUILD_DIR:-$root/build}/demo/kindra"
