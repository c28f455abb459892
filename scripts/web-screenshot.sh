#!/usr/bin/env bash
# Takes a picture of the browser page in headless chromium, as a viewer would first see it: the start screen
# once the program has loaded, or with --no-webgl the message a browser without WebGL 2 gets.
# With --play window (or fullscreen) the page starts the demo at once and the picture shows it after --wait
# milliseconds of the page's (virtual) time.
# usage: web-screenshot.sh OUT.png [--no-webgl] [--size WxH] [--build DIR] [--wait MS] [--play MODE]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out=""
size=1280,800
web="${KORVALE_WEB_BUILD:-$root/build-web}"
wait_ms=10000
query=""
gl=(--use-angle=swiftshader --enable-unsafe-swiftshader)
while [ $# -gt 0 ]; do
  case "$1" in
    --no-webgl) gl=(--disable-gpu --disable-3d-apis) ;;
    --size) size="${2/x/,}"; shift ;;
    --build) web="$2"; shift ;;
    --wait) wait_ms="$2"; shift ;;
    --play) query="?play=$2"; shift ;;
    -*) echo "usage: $0 OUT.png [--no-webgl] [--size WxH] [--build DIR] [--wait MS] [--play MODE]" >&2; exit 2 ;;
    *) out="$1" ;;
  esac
  shift
done
[ -n "$out" ] || { echo "usage: $0 OUT.png [--no-webgl] [--size WxH] [--build DIR] [--wait MS] [--play MODE]" >&2; exit 2; }
[ -d "$web" ] || { echo "web-screenshot: no build folder $web (--build DIR)" >&2; exit 1; }
command -v chromium > /dev/null || { echo "web-screenshot: chromium is not installed (apt-get install chromium)" >&2; exit 1; }
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac

work="$(mktemp -d)"
server=""
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The title's font from the tree, for a build folder that lacks its copy.
mkdir "$work/font"
ln -s "$root/Korvale.ttf" "$work/font/Korvale.ttf"
python3 "$root/scripts/web-server.py" --port 0 "$root/platform/web" "$web" "$work/font" > "$work/server" 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/server" ] && break; sleep 0.1; done
url="$(head -n 1 "$work/server")"
[[ "$url" == http://* ]] || { echo "web-screenshot: the server did not start:" >&2; cat "$work/server" >&2; exit 1; }

# Virtual time lets the load finish before the picture, however long the machine takes in real time.
timeout 120 chromium --headless=new --no-sandbox --hide-scrollbars "${gl[@]}" --user-data-dir="$work/profile" \
  --window-size="$size" --virtual-time-budget="$wait_ms" --screenshot="$out" "${url}index.html$query" \
  > "$work/chromium.log" 2>&1 || { tail -n 20 "$work/chromium.log" >&2; exit 1; }
[ -s "$out" ] || { echo "web-screenshot: chromium wrote no picture" >&2; tail -n 20 "$work/chromium.log" >&2; exit 1; }
echo "$out"
