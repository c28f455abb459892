#!/usr/bin/env bash
# Renders one frame from every phase of the demo headless and tiles them into docs/strip.png for the README.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KORVALE_BUILD:-build}"
frames=500,1700,3700,4750,5300,5950,6008,6150,7600,8500
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$build" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
  ./korvale-capture --until 8502 --frames "$frames" --out "$work")
mkdir -p docs
ffmpeg -hide_banner -loglevel error -y -pattern_type glob -i "$work/frame-*.png" \
  -vf "scale=192:144,tile=5x2:padding=4:color=black" -frames:v 1 docs/strip.png
echo "docs/strip.png: frames $frames"
