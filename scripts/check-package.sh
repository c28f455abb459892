#!/usr/bin/env bash
# Builds the Debian package in the build folder and checks it as Debian does (lintian, the desktop entry,
# the AppStream metainfo, the manual page), then unpacks it and, from /, captures a frame with the unpacked
# korvale-capture that must be byte for byte the build's own.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${KORVALE_BUILD:-build}")"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

rm -f "$build"/korvale_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
deb=("$build"/korvale_*_amd64.deb)
echo "package: ${deb[0]##*/}, $(stat -c %s "${deb[0]}") bytes"
lintian --fail-on error,warning "${deb[0]}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "${deb[0]}" "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
mandoc -T lint "$work"/root/usr/share/man/man6/korvale.6.gz

# Frame 300 draws in the demo's own font: it comes out the same only when the data are found.
(cd / && env -u KORVALE_DATA "$work/root/usr/bin/korvale-capture" --until 301 --frames 300 \
   --out "$work/unpacked" 2> "$work/stderr") || { cat "$work/stderr"; exit 1; }
if grep -q "no data folder" "$work/stderr"; then
  cat "$work/stderr"
  exit 1
fi
(cd "$build" && ./korvale-capture --until 301 --frames 300 --out "$work/own" 2> /dev/null)
cmp "$work/unpacked/frame-00300.png" "$work/own/frame-00300.png"
echo "package checks passed: lintian, desktop entry, metainfo, manual page, unpacked capture from /"
