#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks and builds the demo into build/ (or $KORVALE_BUILD).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build ccache pkg-config
          libsdl2-dev libgl-dev libglu1-mesa-dev libegl-dev libgles-dev libgl1-mesa-dri
          libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core
          libturbojpeg0-dev libopenmpt-dev libpng-dev libgtest-dev
          libxmp-dev clang libclang-rt-14-dev ffmpeg xvfb xauth xfonts-base x11-utils
          xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xdotool pulseaudio pulseaudio-utils
          lintian desktop-file-utils appstream mandoc)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="${KORVALE_BUILD:-build}"
cmake -S . -B "$build" -G Ninja ${KORVALE_CMAKE_ARGS:-}
cmake --build "$build" -j "${KORVALE_JOBS:-2}"
