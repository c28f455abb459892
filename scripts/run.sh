#!/usr/bin/env bash
# Sets up, builds and starts the demo from the folder that holds its data/. Without a display it records
# the whole demo as a video instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
build="${KORVALE_BUILD:-build}"
cd "$build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  video="$PWD/korvale.mp4"
  echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set): recording the demo as a video instead."
  # 8500 frames at 60 per second: the whole demo up to the end of the credits, with its sound.
  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ./korvale-capture --until 8501 --video "$video"
  echo "The video is at $video"
  exit 0
fi
exec ./korvale
