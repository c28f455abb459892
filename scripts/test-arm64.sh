#!/usr/bin/env bash
# The arm64 build run under qemu-user with Debian's arm64 Mesa (llvmpipe) against the Linux x86-64 build, for
# --gl classic and --gl es: the state over 1000 frames and the sound over the run identical, frames 300, 5450
# and 6500 alike. The arm64 package checked as the amd64 one is, and against it.
# Builds what it needs first (./scripts/build-arm64.sh); skips, saying so, only where the host has no apt-get
# to install the cross compiler and qemu, or its package sources offer no arm64 packages, cross compiler or qemu.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${KORVALE_BUILD:-build}"
arm="${KORVALE_ARM64_BUILD:-build-arm64}"
# The downscaled grey frames' largest mean difference from the x86-64 build's (scripts/compare-runs.py).
limit="${KORVALE_ARM64_FRAME_LIMIT:-4}"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

. scripts/reference-runs.sh
skip_unless_installable arm64 "the arm64 cross compiler or qemu-user" aarch64-linux-gnu-g++ qemu-aarch64
start=$(date +%s)
status=0
KORVALE_BUILD="$build" KORVALE_ARM64_BUILD="$arm" ./scripts/build-arm64.sh || status=$?
if [ "$status" = 3 ]; then
  echo "arm64: SKIPPED: this host's package sources offer no arm64 build (above)" >&2
  exit 0
fi
[ "$status" = 0 ] || exit "$status"
echo "arm64: built in $(( $(date +%s) - start )) s"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
frames="$reference_frames"

# The package: lintian as strict as on amd64, and the same files, section and dependencies as amd64's.
deb=("$arm"/korvale_*_arm64.deb)
amd=("$build"/korvale_*_amd64.deb)
[ -f "${amd[0]}" ] || { (cd "$build" && cpack -G DEB > /dev/null); amd=("$build"/korvale_*_amd64.deb); }
echo "arm64: package ${deb[0]##*/}, $(stat -c %s "${deb[0]}") bytes (amd64's: $(stat -c %s "${amd[0]}"))"
lintian --fail-on error,warning "${deb[0]}"
files() { dpkg-deb -c "$1" | awk '{print $1, $6, $7, $8}'; }
depends() { dpkg-deb -f "$1" Depends Section Priority | sed 's/ *([^)]*)//g'; }
if ! diff <(files "${amd[0]}") <(files "${deb[0]}") > "$work/files.diff" ||
   ! diff <(depends "${amd[0]}") <(depends "${deb[0]}") >> "$work/files.diff"; then
  echo "arm64: FAIL: the arm64 package's files or dependencies are not the amd64 one's:" >&2
  cat "$work/files.diff" >&2
  exit 1
fi
echo "arm64: the package's files, section and dependencies are the amd64 one's"

# Only the listed frames' pictures are drawn under the emulator (the rest would take it most of an hour). On
# x86-64 that must leave those pictures as they are when every one is drawn.
reference_runs "$build"
# capture LABEL DIR COMMAND...: the frames and sound of a run to 6501, and the state over 1000 frames, into DIR.
capture() {
  local label="$1" dir="$2"
  shift 2
  mkdir -p "$dir"
  if ! (timeout 900 "$@" --until 6501 --frames "$frames" --only-listed --out "$dir" --audio "$dir/sound.wav" \
          > "$dir/log" 2>&1 &&
        timeout 600 "$@" --until 1000 --state "$dir/state.jsonl" >> "$dir/log" 2>&1); then
    echo "arm64: FAIL: $label failed:" >&2
    tail -n 20 "$dir/log" >&2
    exit 1
  fi
}
host="$(realpath "$build")/korvale-capture"
# The reference run's own sound and state serve; only the pictures are drawn again.
mkdir -p "$work/x86-64-alone"
"$host" --until 6501 --frames "$frames" --only-listed --out "$work/x86-64-alone" > "$work/x86-64-alone/log" 2>&1 ||
  { echo "arm64: FAIL: korvale-capture --only-listed failed:" >&2; tail -n 20 "$work/x86-64-alone/log" >&2; exit 1; }
for frame in ${frames//,/ }; do
  name="frame-$(printf %05d "$frame").png"
  cmp -s "$reference/$name" "$work/x86-64-alone/$name" ||
    { echo "arm64: FAIL: frame $frame drawn alone differs from the one drawn after every other" >&2; exit 1; }
done
echo "arm64: on x86-64, frames $frames drawn alone are those drawn after every other"

program="$(realpath "$arm")/korvale-capture"
for gl in classic es; do
  # Each GL against the same on x86-64: es draws through the program's own layer on both.
  linux="$reference"
  if [ "$gl" = es ]; then
    linux="$work/x86-64-es"
    capture "x86-64 --gl es" "$linux" "$host" --gl es
  fi
  run_start=$(date +%s)
  capture "arm64 --gl $gl under qemu" "$work/arm64-$gl" qemu-aarch64 "$program" --gl "$gl"
  echo "arm64: --gl $gl under qemu-aarch64 in $(( $(date +%s) - run_start )) s"
  python3 scripts/compare-runs.py "arm64 --gl $gl" "$linux" "$work/arm64-$gl" "$work/arm64-$gl" "$frames" "$limit"
done

# The package as installed: its stripped korvale-capture, run from /, finds its data and draws frame 300 as
# the build's does.
dpkg-deb -x "${deb[0]}" "$work/root"
(cd / && env -u KORVALE_DATA qemu-aarch64 "$work/root/usr/bin/korvale-capture" --until 301 --frames 300 \
   --only-listed --out "$work/unpacked" 2> "$work/unpacked.err") || { cat "$work/unpacked.err" >&2; exit 1; }
if grep -q "no data folder" "$work/unpacked.err" ||
   ! cmp -s "$work/unpacked/frame-00300.png" "$work/arm64-classic/frame-00300.png"; then
  echo "arm64: FAIL: the unpacked package's korvale-capture did not draw frame 300 as the build's" >&2
  cat "$work/unpacked.err" >&2
  exit 1
fi
echo "arm64: the unpacked package's korvale-capture, from /, draws frame 300 as the build's"
echo "arm64: passed in $(( $(date +%s) - start )) s"
