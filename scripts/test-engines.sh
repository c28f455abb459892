#!/usr/bin/env bash
# The browser build in the two engines beside chromium, Firefox ESR (over WebDriver BiDi, scripts/engines/
# firefox.mjs) and WebKitGTK (WebKit's WebDriver server, scripts/engines/webkit.py), each on an Xvfb display
# with Mesa's GL and a sound server of its own: the start screen, the demo played through "Window" past frame
# 6600 to the credits, F1, Escape, the end screen, the explosions heard where the timeline puts them; then the
# test mode's runs against the Linux build's, as scripts/test-web.sh checks chromium. Only a host that cannot
# install the engines (not Debian) skips it, and says so. Screenshots and runs stay in build-engines-results/
# (or $KORVALE_ENGINES_RESULTS).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KORVALE_BUILD:-build}"
web="${KORVALE_WEB_BUILD:-build-web}"
results="${KORVALE_ENGINES_RESULTS:-build-engines-results}"
run_limit="${KORVALE_WEB_RUN_LIMIT:-1200}"
driver_limit="${KORVALE_ENGINES_DRIVER_LIMIT:-900}"
# chromium's limit (scripts/test-web.sh): the downscaled grey frames' largest mean difference.
limit="${KORVALE_WEB_FRAME_LIMIT:-4}"
engines="${KORVALE_ENGINES:-firefox webkit}"

. scripts/reference-runs.sh
skip_unless_installable engines "Firefox ESR, WebKitGTK's WebDriver or emscripten" firefox-esr WebKitWebDriver emcc
install_missing firefox-esr webkit2gtk-driver python3-selenium gstreamer1.0-plugins-good xvfb xauth \
  pulseaudio pulseaudio-utils xdotool ffmpeg
# Node's own packages (nodesource's carry npm) or Debian's.
command -v npm > /dev/null || install_missing nodejs npm

./scripts/setup.sh > /dev/null
./scripts/build-web.sh > /dev/null
reference_runs "$build"
frames="$reference_frames"
if [ ! -d scripts/engines/node_modules/puppeteer-core ]; then
  (cd scripts/engines && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

rm -rf "$results"
mkdir -p "$results"
results="$(cd "$results" && pwd)"
ln -s "$reference" "$results/linux"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
# A sound server of our own: what the engine plays lands in a null sink, recorded from its monitor. The
# engines' profiles and caches stay in the scratch folder too.
mkdir -p "$work/run" "$work/home"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
pulseaudio --daemonize=no -n --exit-idle-time=-1 --log-target=file:"$work/pulse.log" \
  --load="module-null-sink sink_name=korvale rate=44100 format=s16le channels=2" \
  --load="module-native-protocol-unix" 2> /dev/null &
pids+=($!)
for _ in $(seq 100); do pactl info > /dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink korvale

# The page from the tree with scripts/engines/look.js ahead of page.js as look.html, the program from the build.
mkdir -p "$work/page"
cp scripts/engines/look.js "$work/page/"
sed 's|<script src="page.js">|<script src="look.js"></script>\n&|' platform/web/index.html > "$work/page/look.html"
grep -q 'look.js' "$work/page/look.html" || { echo "engines: look.js did not go into the page" >&2; exit 1; }
python3 scripts/web-server.py --port 0 --results "$results" "$work/page" platform/web "$web" > "$work/server" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/server" ] && break; sleep 0.1; done
url="$(head -n 1 "$work/server")"
[[ "$url" == http://* ]] || { echo "engines: the server did not start:" >&2; cat "$work/server" >&2; exit 1; }

# Where the timeline starts each sound, to the last explosion.
(cd "$build" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ./korvale-capture --until 8522 \
  --state "$work/bangs-state.jsonl" > /dev/null 2>&1)
figures() { sed -n "s/^$1 *frames [0-9]* *mean \([0-9.]*\) fps *median \([0-9.]*\) ms.*/\1 fps (median \2 ms)/p" "$2"; }
# Runs $driver for engine $1 in a process group of its own, its output in $results/$1.log, and ends whatever
# of the engine is left once it has ended: a browser whose session broke outlives its driver otherwise. A
# driver stuck in a call the engine never answers is stopped after $driver_limit s (a whole run takes about
# 200 s here).
run_driver() {
  local pid status=0
  setsid timeout "$driver_limit" "${driver[@]}" "$url" "$results" "$results/shots" "$run_limit" > "$results/$1.log" 2>&1 &
  pid=$!
  wait "$pid" || status=$?
  kill -- "-$pid" 2>/dev/null || true
  cat "$results/$1.log"
  return "$status"
}
failed=()
for engine in $engines; do
  start=$(date +%s)
  echo "engines: $engine: the page played, then korvale-capture in its test mode"
  case "$engine" in
    firefox) driver=(node scripts/engines/firefox.mjs) ;;
    # Debian's selenium is the system Python's.
    webkit) driver=(/usr/bin/python3 scripts/engines/webkit.py) ;;
    *) echo "engines: no engine $engine" >&2; exit 2 ;;
  esac
  # WebKitGTK's own web process can crash in Mesa's software GL (its compositor thread, in swrast_dri.so: seen
  # once in four runs here, the page's state untouched). Such a crash is tried once more, and said; a second
  # one, or any other fault, fails.
  tries=0
  until run_driver "$engine"; do
    tries=$((tries + 1))
    if [ "$tries" -ge 2 ] || ! grep -q 'WebProcess CRASHED' "$results/$engine.log"; then
      failed+=("$engine: its run")
      continue 2
    fi
    echo "engines: $engine: the engine's web process crashed (not the page's fault; above); tried once more"
    mv "$results/$engine.log" "$results/$engine-crashed.log"
    rm -rf "$results/$engine"-tap "$results/$engine"-frames "$results/$engine"-state "$results/$engine"-heard.raw
  done
  echo "engines: $engine: the explosions in what the page played, against the desktop's timeline"
  python3 scripts/bang-times.py "$work/bangs-state.jsonl" "$results/$engine-tap/sound.raw" "$build/data" \
    --from 5025 --to 8521 --rate "$(cat "$results/$engine-tap/rate.txt")" | sed "s/^/engines: $engine: /" ||
    failed+=("$engine: the explosions")
  # Where the page's player went without sound, it played silence in place of what was due (gaps.txt: where in
  # the recording and how long, in sample frames); a little is a page held up on a busy machine.
  awk -v engine="$engine" -v rate="$(cat "$results/$engine-tap/rate.txt")" '
    { n++; frames += $2; at = at sprintf(" %.1f ms at %.2f s,", 1000 * $2 / rate, $1 / rate) }
    END { printf "engines: %s: the player went without sound %d time(s) in the recording, %.1f ms in all (limit %d ms)%s\n",
          engine, n, 1000 * frames / rate, limit, n ? ":" substr(at, 1, length(at) - 1) : ""
          exit 1000 * frames / rate > limit }' limit=500 "$results/$engine-tap/gaps.txt" ||
    failed+=("$engine: the sound went missing")
  # Heard through the sound server: the engine's and the server's buffers add delays of their own, which on a
  # busy machine grow where they run dry; told, not checked.
  echo "engines: $engine: the same explosions as the sound server played them (for the record)"
  python3 scripts/bang-times.py "$work/bangs-state.jsonl" "$results/$engine-heard.raw" "$build/data" \
    --from 5025 --to 8521 2>&1 | tail -n 3 | sed "s/^/engines: $engine: heard: /" || true
  for phase in words planet nova; do
    printf 'engines: %s: %-6s test mode %s, desktop %s\n' "$engine" "$phase" \
      "$(figures "$phase" "$results/$engine-frames/console.txt")" "$(figures "$phase" "$reference/console.txt")"
  done
  grep -m1 '^startup to first' "$results/$engine-frames/console.txt" | sed "s/^/engines: $engine: /; s/, [0-9]* pages.*//" || true
  python3 scripts/compare-runs.py "engines: $engine" "$reference" "$results/$engine-frames" "$results/$engine-state" \
    "$frames" "$limit" || failed+=("$engine: the test mode's runs")
  echo "engines: $engine took $(( $(date +%s) - start )) s"
done
if [ ${#failed[@]} -gt 0 ]; then
  printf 'engines: FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "engines: checks passed in $engines"
