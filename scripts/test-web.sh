#!/usr/bin/env bash
# The browser build checked in Debian's headless chromium (software WebGL 2) against the Linux build: the page's
# test mode runs korvale-capture and POSTs what it wrote back to scripts/web-server.py. Frames 300, 5450 and
# 6500 must show the same scene, the sound mixed up to there and the state over 1000 frames must be identical.
# Only a host that can install neither chromium nor emscripten (not Debian) skips it, and says so.
# Builds first (./scripts/build-web.sh); the runs' files stay in build-web-results/ (or $KORVALE_WEB_RESULTS)
# for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KORVALE_BUILD:-build}"
web="${KORVALE_WEB_BUILD:-build-web}"
results="${KORVALE_WEB_RESULTS:-build-web-results}"
# Software WebGL draws the 6501 frames far slower than the desktop: seconds per run before it counts as hung.
run_limit="${KORVALE_WEB_RUN_LIMIT:-1200}"
# The downscaled grey frames' largest mean difference from the Linux build's (scripts/compare-runs.py).
limit="${KORVALE_WEB_FRAME_LIMIT:-4}"

. scripts/reference-runs.sh
skip_unless_installable web "chromium or emscripten" chromium emcc
install_missing chromium ffmpeg

# The host build (the reference runs, and the generated data/ the browser build preloads), then the browser's,
# both brought up to date so that no stale program is checked.
./scripts/setup.sh > /dev/null
./scripts/build-web.sh

reference_runs "$build"
frames="$reference_frames"
rm -rf "$results"
mkdir -p "$results"
results="$(cd "$results" && pwd)"
ln -s "$reference" "$results/linux"
work="$(mktemp -d)"
server=""
browser=""
cleanup() {
  [ -z "$browser" ] || kill -- "-$browser" 2>/dev/null || true
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The page from the tree (newer than any copy in the build folder), the program from the build.
python3 scripts/web-server.py --port 0 --results "$results" platform/web "$web" > "$work/server" 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/server" ] && break; sleep 0.1; done
url="$(head -n 1 "$work/server")"
[[ "$url" == http://* ]] || { echo "web: the server did not start:" >&2; cat "$work/server" >&2; exit 1; }

# Runs korvale-capture in the page with the given arguments; its files land in $results/NAME.
run_page() {
  local name="$1" args="$2" query start
  query="$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1]))' "$args")"
  rm -rf "$work/profile"
  start=$(date +%s)
  # Its own process group, so that the renderer and GPU processes go with it.
  setsid chromium --headless=new --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader \
    --autoplay-policy=no-user-gesture-required --user-data-dir="$work/profile" --window-size=1024,768 \
    "${url}index.html?test=$query&name=$name" > "$work/chromium-$name.log" 2>&1 &
  browser=$!
  while [ ! -f "$results/$name/done" ]; do
    if [ $(( $(date +%s) - start )) -ge "$run_limit" ]; then
      echo "web: $name: no result after $run_limit s" >&2
      tail -n 20 "$work/chromium-$name.log" >&2
      exit 1
    fi
    kill -0 "$browser" 2>/dev/null || { echo "web: $name: chromium ended early:" >&2; tail -n 20 "$work/chromium-$name.log" >&2; exit 1; }
    sleep 1
  done
  kill -- "-$browser" 2>/dev/null || true
  wait "$browser" 2>/dev/null || true
  browser=""
  if [ "$(cat "$results/$name/done")" != 0 ]; then
    echo "web: $name: korvale-capture ended with '$(cat "$results/$name/done")':" >&2
    tail -n 20 "$results/$name/console.txt" >&2
    exit 1
  fi
  echo "web: $name took $(( $(date +%s) - start )) s"
}

echo "web: korvale-capture in chromium, frames $frames and their sound, and the state over 1000 frames"
run_page frames "--until 6501 --frames $frames --out /out --audio /out/sound.wav --bench"
run_page state "--until 1000 --state /out/state.jsonl"

echo "web: frames a second by phase, chromium's software WebGL 2 against the desktop build on this machine's GL:"
figures() { sed -n "s/^$1 *frames [0-9]* *mean \([0-9.]*\) fps *median \([0-9.]*\) ms.*/\1 fps (median \2 ms)/p" "$2"; }
for phase in words planet nova; do
  printf 'web:   %-6s chromium %s, desktop %s\n' "$phase" "$(figures "$phase" "$results/frames/console.txt")" \
    "$(figures "$phase" "$reference/console.txt")"
done
grep -m1 '^startup to first' "$results/frames/console.txt" | sed 's/^/web:   chromium: /; s/, [0-9]* pages.*//' || true

# The page sends each picture on as it is written, rather than keeping them all in memory to the end.
grep -q '^page: 3 picture(s) sent as they were written$' "$results/frames/console.txt" ||
  { echo "web: the page did not send the pictures as they were written:" >&2; grep '^page:' "$results/frames/console.txt" >&2; exit 1; }
python3 scripts/compare-runs.py web "$reference" "$results/frames" "$results/state" "$frames" "$limit"
echo "web: browser checks passed"
