#!/usr/bin/env bash
# Sets up and builds like the demo's own start, then runs the whole test suite headless: once as users
# get it, with the Debian package built and checked, once more built with AddressSanitizer and UBSan, and
# the audio-device tests built with ThreadSanitizer; then the Windows build under Wine and the browser build
# in headless chromium, Firefox and WebKitGTK, and the arm64 build under qemu-user, each against the Linux
# build.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
# Includes run one way, bottom to top; a file reaching up fails the run before anything is built.
python3 scripts/check-layers.py
./scripts/setup.sh
build="${KORVALE_BUILD:-build}"
jobs="${KORVALE_JOBS:-2}"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

(cd "$build" && ctest --output-on-failure -j "$jobs")
KORVALE_BUILD="$build" ./scripts/check-package.sh

# The program played live in a window, its sound heard through a sound server: every explosion where the
# timeline puts it, however fast this machine's GL draws.
KORVALE_BUILD="$build" ./scripts/live-sync.sh

if [ "${KORVALE_SANITIZE_RUN:-1}" = 1 ]; then
  asan="${build}-asan"
  cmake -S . -B "$asan" -G Ninja -DKORVALE_SANITIZE=ON
  cmake --build "$asan" -j "$jobs"
  # Mesa's driver is kept loaded so that its own allocations can be told apart from the demo's.
  lib="/usr/lib/$(gcc -print-multiarch)"
  (cd "$asan" &&
    ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 \
    LSAN_OPTIONS="suppressions=$PWD/../tests/sanitizer/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LD_PRELOAD="$lib/dri/swrast_dri.so $lib/libEGL_mesa.so.0" \
    ctest --output-on-failure -j "$jobs")
fi

# The sound services against a real (dummy) audio device, built with ThreadSanitizer: only that test binary.
if [ "${KORVALE_TSAN_RUN:-1}" = 1 ]; then
  tsan="${build}-tsan"
  cmake -S . -B "$tsan" -G Ninja -DKORVALE_SANITIZE_THREAD=ON
  cmake --build "$tsan" --target korvale-audio-tests -j "$jobs"
  (cd "$tsan" && TSAN_OPTIONS=halt_on_error=1:exitcode=66 ./korvale-audio-tests)
fi

# The fuzz targets, briefly, where clang is installed.
"$root/scripts/fuzz.sh"

# The Windows build, cross-built (its libraries cached after the first time) and run under Wine.
"$root/scripts/test-windows.sh"

# The browser build (its libraries cached after the first time), in headless chromium's software WebGL 2.
"$root/scripts/test-web.sh"

# The same page in Firefox ESR and WebKitGTK on an Xvfb display, played and through its test mode.
"$root/scripts/test-engines.sh"

# The arm64 build and its Debian package, run under qemu-user with arm64's Mesa.
"$root/scripts/test-arm64.sh"
