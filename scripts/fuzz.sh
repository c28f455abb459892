#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $KORVALE_FUZZ_BUILD) and runs each one from its
# seed corpus: the JPEG loader for FUZZ_SECONDS (default 12), the WAV reader and the outline fonts for
# FUZZ_SECONDS_OTHERS (default 9) each. Skipped where clang is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not installed, skipped"
  exit 0
fi
build="${KORVALE_FUZZ_BUILD:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKORVALE_FUZZ=ON -DBUILD_TESTING=OFF \
  ${KORVALE_FUZZ_CMAKE_ARGS:-} > /dev/null
cmake --build "$build" --target fuzz_jpeg fuzz_wav fuzz_font -j "${KORVALE_JOBS:-2}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# fuzz TARGET SECONDS MAX_LEN SEEDS
fuzz() {
  mkdir -p "$work/$1"
  echo "fuzz: $1 for $2 s"
  set +e
  "$build/$1" -max_total_time="$2" -rss_limit_mb=3000 -timeout=60 -max_len="$3" \
    -artifact_prefix="$work/" -print_final_stats=1 "$work/$1" "$4" 2>&1 | tail -n 12
  local status=${PIPESTATUS[0]}
  set -e
  if [ "$status" -ne 0 ]; then
    echo "fuzz: $1 failed (status $status)"
    exit "$status"
  fi
}
fuzz fuzz_jpeg "${FUZZ_SECONDS:-12}" 8192 tests/fuzz/corpus
fuzz fuzz_wav "${FUZZ_SECONDS_OTHERS:-9}" 8192 tests/fuzz/corpus-wav
fuzz fuzz_font "${FUZZ_SECONDS_OTHERS:-9}" 16384 tests/fuzz/corpus-font
