#!/usr/bin/env bash
# Sets up, builds and starts the demo from the folder that holds its data/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
build="${KORVALE_BUILD:-build}"
cd "$build"
exec ./korvale
