#!/usr/bin/env bash
# Lets the nova run on after the credits for an hour of frames (SOAK_FRAMES, default 216000) under
# korvale-capture, prints peak memory and its growth from frame 10000 to the end, and checks every counter
# of the run against the timeline's rules. Exit status: the capture's, else the check's.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KORVALE_BUILD:-build}"
frames="${SOAK_FRAMES:-216000}"
capture="$PWD/$build/korvale-capture"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
args=(--until "$frames" --state "$work/state.jsonl")
# The small picture keeps the run quick where the tool offers it.
if "$capture" --help | grep -q -- --size; then
  args+=(--size 160x120)
fi
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
"$capture" "${args[@]}" > "$work/out.txt" 2>&1 &
pid=$!
rss_at_10000=""
last_rss=0
peak=0
started=$SECONDS
while kill -0 "$pid" 2> /dev/null; do
  sleep 2
  status="/proc/$pid/status"
  rss=$(awk '/^VmRSS:/ {print $2}' "$status" 2> /dev/null || true)
  hwm=$(awk '/^VmHWM:/ {print $2}' "$status" 2> /dev/null || true)
  [ -n "$rss" ] || break
  last_rss=$rss
  peak=$hwm
  frame=$(tail -n 1 "$work/state.jsonl" 2> /dev/null | grep -o '"frame":[0-9]*' | cut -d: -f2 || true)
  if [ -z "$rss_at_10000" ] && [ -n "$frame" ] && [ "$frame" -ge 10000 ]; then
    rss_at_10000=$rss
    echo "soak: frame $frame after $((SECONDS - started)) s, resident ${rss} KiB"
  fi
done
code=0
wait "$pid" || code=$?
echo "soak: $frames frames in $((SECONDS - started)) s, exit $code"
echo "soak: peak resident ${peak} KiB; resident ${rss_at_10000:-?} KiB at frame 10000, ${last_rss} KiB at the end" \
  "(growth $((last_rss - ${rss_at_10000:-$last_rss})) KiB)"
if [ "$code" -ne 0 ]; then
  cat "$work/out.txt"
  exit "$code"
fi
python3 scripts/check-soak-state.py "$work/state.jsonl" "$frames"
