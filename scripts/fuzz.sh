#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $KORVALE_FUZZ_BUILD) and runs each one from its
# seed corpus for FUZZ_SECONDS (default 25). Skipped where clang is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not installed, skipped"
  exit 0
fi
build="${KORVALE_FUZZ_BUILD:-build-fuzz}"
seconds="${FUZZ_SECONDS:-25}"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKORVALE_FUZZ=ON -DBUILD_TESTING=OFF \
  ${KORVALE_FUZZ_CMAKE_ARGS:-} > /dev/null
cmake --build "$build" --target fuzz_jpeg -j "${KORVALE_JOBS:-2}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
echo "fuzz: fuzz_jpeg for ${seconds} s"
"$build/fuzz_jpeg" -max_total_time="$seconds" -rss_limit_mb=3000 -timeout=60 -max_len=8192 \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" tests/fuzz/corpus 2>&1 | tail -n 12
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
  echo "fuzz: fuzz_jpeg failed (status $status)"
  exit "$status"
fi
