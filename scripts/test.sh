#!/usr/bin/env bash
# Sets up and builds like the demo's own start, then runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
./scripts/setup.sh
build="${KORVALE_BUILD:-build}"
cd "$build"
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ctest --output-on-failure -j "${KORVALE_JOBS:-2}"
# The fuzz targets, briefly, where clang is installed.
"$root/scripts/fuzz.sh"
