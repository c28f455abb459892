#!/usr/bin/env bash
# The browser build checked in Debian's headless chromium (software WebGL 2) against the Linux build: the page's
# test mode runs korvale-capture and POSTs what it wrote back to scripts/web-server.py. Frames 300, 5450 and
# 6500 must show the same scene, the sound mixed up to there and the state over 1000 frames must be identical.
# Builds first (./scripts/build-web.sh); the runs' files stay in build-web-results/ (or $KORVALE_WEB_RESULTS)
# for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KORVALE_BUILD:-build}"
web="${KORVALE_WEB_BUILD:-build-web}"
results="${KORVALE_WEB_RESULTS:-build-web-results}"
# Software WebGL draws the 6501 frames far slower than the desktop: seconds per run before it counts as hung.
run_limit="${KORVALE_WEB_RUN_LIMIT:-1200}"
frames=300,5450,6500
# As for the Windows build: the same scene drawn twice differs by a few levels at most in the downscaled
# greyscale pictures and correlates by at least 0.9; different scenes do not correlate.
limit="${KORVALE_WEB_FRAME_LIMIT:-4}"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
for p in chromium ffmpeg; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
fi

# The host build (the reference runs, and the generated data/ the browser build preloads), then the browser's,
# both brought up to date so that no stale program is checked.
./scripts/setup.sh > /dev/null
./scripts/build-web.sh

rm -rf "$results"
mkdir -p "$results/linux"
results="$(cd "$results/.." && pwd)/$(basename "$results")"
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
(cd "$build" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
  ./korvale-capture --until 6501 --frames "$frames" --out "$results/linux" \
  --audio "$results/linux/sound.wav" > /dev/null 2>&1)
(cd "$build" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
  ./korvale-capture --until 1000 --state "$results/linux/state.jsonl" > /dev/null 2>&1)
run_page frames "--until 6501 --frames $frames --out /out --audio /out/sound.wav"
run_page state "--until 1000 --state /out/state.jsonl"

failed=0
# The music and the explosions, mixed by the same code from the same data: the same samples.
if cmp -s "$results/linux/sound.wav" "$results/frames/sound.wav"; then
  echo "web: sound over 6501 frames identical ($(du -k "$results/frames/sound.wav" | cut -f1) KiB)"
else
  echo "web: FAIL: the mixed sound differs: $(cmp "$results/linux/sound.wav" "$results/frames/sound.wav" 2>&1 | head -n 1)"
  failed=1
fi
if cmp -s "$results/linux/state.jsonl" "$results/state/state.jsonl"; then
  echo "web: state over $(wc -l < "$results/state/state.jsonl") frames identical"
else
  echo "web: FAIL: state dumps differ; first difference:"
  diff "$results/linux/state.jsonl" "$results/state/state.jsonl" | head -n 4 | cut -c1-300 || true
  failed=1
fi
for f in ${frames//,/ }; do
  name="$(printf 'frame-%05d' "$f")"
  for side in linux frames; do
    ffmpeg -hide_banner -loglevel error -y -i "$results/$side/$name.png" -vf scale=160:120,format=gray \
      -f rawvideo "$work/$side-$name.grey" || { echo "web: FAIL: $side/$name.png unreadable"; failed=1; continue 2; }
  done
  python3 - "$work/linux-$name.grey" "$work/frames-$name.grey" "$f" "$limit" <<'EOF' || failed=1
import sys
a = open(sys.argv[1], "rb").read()
b = open(sys.argv[2], "rb").read()
frame, limit = sys.argv[3], float(sys.argv[4])
n = len(a)
mad = sum(abs(x - y) for x, y in zip(a, b)) / n
ma, mb = sum(a) / n, sum(b) / n
cov = sum((x - ma) * (y - mb) for x, y in zip(a, b))
va = sum((x - ma) ** 2 for x in a)
vb = sum((y - mb) ** 2 for y in b)
corr = cov / (va * vb) ** 0.5 if va and vb else float("nan")
verdict = "alike" if len(a) == len(b) and mad <= limit and corr >= 0.9 else "FAIL: differ"
print(f"web: frame {frame}: mean difference {mad:.2f} of 255 (limit {limit:g}), correlation {corr:.3f} "
      f"(at least 0.9): {verdict}")
sys.exit(0 if verdict == "alike" else 1)
EOF
done
[ "$failed" -eq 0 ] || exit 1
echo "web: browser checks passed"
