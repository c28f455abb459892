#!/usr/bin/env bash
# Plays the demo as a viewer hears it and checks that it keeps to its music: the real program on a private
# Xvfb, its sound through a private PulseAudio's null sink recorded from the sink's monitor, the music stopped
# with the 0 key, and every explosion from frame 5025 to 8521 found in the recording within 50 ms of where the
# timeline puts it, measured from the first (scripts/bang-times.py).
#
# usage: live-sync.sh [--screen WxH] [--seconds N] [KORVALE OPTIONS...]
#   --screen   the X screen's size (1024x768)
#   --seconds  how long the demo plays before Escape (150: frame 8521 comes 142 s after the first)
#   the rest goes to korvale (--window unless given); $KORVALE_BUILD names the build folder (build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KORVALE_BUILD:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
screen=1024x768
seconds=150
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    *) break ;;
  esac
done
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(--window)
for tool in Xvfb pulseaudio parec pactl xdotool; do
  command -v "$tool" >/dev/null || { echo "live-sync: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

out="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$out"
}
trap cleanup EXIT

# Where the timeline starts each sound, from the same build.
(cd "$build" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ./korvale-capture --until 8522 \
  --state "$out/state.jsonl" >/dev/null 2>&1)

exec 3>"$out/display"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$out/display")"

# A sound server of our own, whatever the machine has: its state stays in the scratch folder.
mkdir -p "$out/run" "$out/home"
export XDG_RUNTIME_DIR="$out/run" HOME="$out/home"
pulseaudio --daemonize=no -n --exit-idle-time=-1 --log-target=file:"$out/pulse.log" \
  --load="module-null-sink sink_name=korvale rate=44100 format=s16le channels=2" \
  --load="module-native-protocol-unix" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink korvale
parec -d korvale.monitor --raw --format=s16le --rate=44100 --channels=2 >"$out/sound.raw" &
pids+=($!)

env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=pulseaudio "$build/korvale" --stats "${args[@]}" >"$out/stats.txt" 2>"$out/stderr.txt" &
demo=$!
pids+=($demo)
# Once the window is up, 0 is held until the demo has read it (it reads its keys once a frame).
xdotool search --sync --name KORVALE >/dev/null
sleep 2
xdotool keydown 0
sleep 0.3
xdotool keyup 0
sleep "$seconds"
xdotool keydown Escape
sleep 0.3
xdotool keyup Escape
for _ in $(seq 100); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$demo" 2>/dev/null; then
  echo "live-sync: korvale did not end on Escape:" >&2
  cat "$out/stderr.txt" >&2
  exit 1
fi
status=0
wait "$demo" || status=$?
sleep 0.5
grep -h "^korvale:" "$out/stderr.txt" "$out/stats.txt" || true
[ "$status" = 0 ] || { echo "live-sync: korvale ended with $status" >&2; cat "$out/stderr.txt" >&2; exit 1; }
python3 "$root/scripts/bang-times.py" "$out/state.jsonl" "$out/sound.raw" "$build/data"
