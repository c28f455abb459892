#!/usr/bin/env bash
# The Windows build checked under Wine on an Xvfb display against the Linux build: frames 300, 5450 and 6500
# must show the same scene, the sound mixed up to there and the state after every RenderFrame over 1000
# frames must be identical.
# Builds what it needs first (./scripts/build-windows.sh: the libraries once, cached, then the demo); only a
# host that can install neither MinGW-w64 nor Wine (not Debian) skips it, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KORVALE_BUILD:-build}"
win="${KORVALE_WINDOWS_BUILD:-build-windows}"
cache="${KORVALE_WINDOWS_CACHE:-/var/cache/korvale-windows}"
# The downscaled grey frames' largest mean difference from the Linux build's (scripts/compare-runs.py).
limit="${KORVALE_WINDOWS_FRAME_LIMIT:-4}"

. scripts/reference-runs.sh
skip_unless_installable windows "MinGW-w64 or Wine" x86_64-w64-mingw32-g++-posix wine
./scripts/build-windows.sh
for tool in wine Xvfb ffmpeg; do
  command -v "$tool" > /dev/null || { echo "windows: $tool is not installed" >&2; exit 1; }
done

work="$(mktemp -d)"
xvfb=""
cleanup() {
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export WINEPREFIX="$cache/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "windows: making the Wine prefix $WINEPREFIX"
  wineboot -i > /dev/null 2>&1
fi

# Run from the zip as a user unpacks it, so that a DLL missing from it fails here.
python3 -m zipfile -e "$win/korvale-windows-x64.zip" "$work/unpacked"
app="$work/unpacked/korvale-windows-x64"
reference_runs "$build"
frames="$reference_frames"
echo "windows: korvale-capture.exe from the zip under Wine, frames $frames and their sound, and the state over 1000 frames"
mkdir -p "$work/wine"
start=$(date +%s)
# The windows driver draws in a hidden window (no EGL for the offscreen one); a hung run meets the timeout.
(cd "$app" && SDL_VIDEODRIVER=windows SDL_AUDIODRIVER=dummy timeout 300 wine korvale-capture.exe --until 6501 --frames "$frames" \
  --out wine-frames --audio wine-sound.wav > "$work/wine/log" 2>&1 && mv wine-frames/* "$work/wine/" &&
  mv wine-sound.wav "$work/wine/sound.wav" &&
  SDL_VIDEODRIVER=windows SDL_AUDIODRIVER=dummy timeout 120 wine korvale-capture.exe --until 1000 --state wine-state.jsonl \
  >> "$work/wine/log" 2>&1 && mv wine-state.jsonl "$work/wine/state.jsonl") ||
  { echo "windows: korvale-capture.exe failed under Wine:" >&2; tail -n 20 "$work/wine/log" >&2; exit 1; }
echo "windows: Wine runs took $(( $(date +%s) - start )) s"

python3 scripts/compare-runs.py windows "$reference" "$work/wine" "$work/wine" "$frames" "$limit"

# Every other picture dropped, as when behind the sound (opengl32's names are imported, so only the one-pixel
# target puts the pictures aside here): the frames must run as ever.
(cd "$app" && SDL_VIDEODRIVER=windows SDL_AUDIODRIVER=dummy timeout 120 wine korvale-capture.exe --until 1000   --drop-pictures 1 --state wine-dropped.jsonl > "$work/wine/dropped.log" 2>&1 &&
  mv wine-dropped.jsonl "$work/wine/dropped.jsonl") ||
  { echo "windows: korvale-capture.exe --drop-pictures failed under Wine:" >&2; tail -n 20 "$work/wine/dropped.log" >&2; exit 1; }
grep -q "korvale-capture: 499 pictures dropped" "$work/wine/dropped.log" ||
  { echo "windows: --drop-pictures 1 did not drop 499 of 999 pictures:" >&2; cat "$work/wine/dropped.log" >&2; exit 1; }
cmp "$reference/state.jsonl" "$work/wine/dropped.jsonl" ||
  { echo "windows: the state with pictures dropped differs from the Linux run's" >&2; exit 1; }
echo "windows: with every other picture dropped, the state over 1000 frames is unchanged"
echo "windows: Wine checks passed"
