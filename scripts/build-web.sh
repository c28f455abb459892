#!/usr/bin/env bash
# Cross-builds the libraries of the browser build with Debian's emscripten: static WebAssembly libraries
# built once from Debian's source packages into a cache outside the clone ($KORVALE_WEB_CACHE, default
# /var/cache/korvale-web), keyed by their versions, the recipe and the compiler; then builds the demo and
# its capture tool against them into build-web/ (or $KORVALE_WEB_BUILD) with the page, and korvale-web.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${KORVALE_JOBS:-2}"
out="${KORVALE_WEB_BUILD:-build-web}"
cache="${KORVALE_WEB_CACHE:-/var/cache/korvale-web}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# shellcheck source=scripts/debian-packages.sh
. "$root/scripts/debian-packages.sh"
# shellcheck source=scripts/library-cache.sh
. "$root/scripts/library-cache.sh"
label=build-web
use_debian_sources

# nodejs may come from elsewhere than Debian (emscripten's dependency is then met by that package).
packages=(emscripten node-acorn binaryen cmake ninja-build make pkg-config dpkg-dev autotools-dev zip ccache)
install_packages "${packages[@]}"

# Debian's emscripten runs its JavaScript tools with the system's node, which finds Debian's acorn only here.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# Every emcc and em++ call starts Python: Debian's own, not a version manager's shim first on PATH, which costs
# a second of the machine per call, and a library's configure makes hundreds of calls.
[ -x /usr/bin/python3 ] && export EMSDK_PYTHON="${EMSDK_PYTHON:-/usr/bin/python3}"
# Debian ships emscripten's system libraries (libc, libc++, libGL, ...) prebuilt in every variant in
# /usr/share/emscripten/cache and freezes that cache: nothing is built or written there on first use, so no
# cache of our own is needed. One set elsewhere would be empty and, frozen, fail.
unset EM_CACHE

# Source packages in build order (libpng needs zlib).
sources=(zlib libpng1.6 freetype libjpeg-turbo libopenmpt libsdl2)
# The recipe's commands, not its comments.
recipe_hash="$( (sed -n '/^build_library()/,/^}/p' "$0"; cat "$root/cmake/emscripten-wasm32.cmake") |
  grep -v '^ *#' | sha256sum | cut -c1-12)"
library_prefix "$recipe_hash" "$(emcc -dumpversion)"

# Static libraries only: a WebAssembly program is linked whole.
cmake_cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/emscripten-wasm32.cmake" -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX="$prefix.tmp" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF)

# Builds one unpacked source folder into the prefix being made, lean: static libraries, no docs, no tests.
build_library() {
  local name="$1" dir="$2"
  case "$name" in
    zlib)
      # Its own configure: Debian's source lacks the resource file zlib's CMake asks for outside MinGW.
      (cd "$dir" && CFLAGS="-O2" emconfigure ./configure --static --prefix="$prefix.tmp" &&
        emmake make -j "$jobs" libz.a && make install)
      return ;;
    libpng1.6)
      emcmake cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
        -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF &&
        cmake --build "$dir/_build" -j "$jobs" && cmake --install "$dir/_build" &&
        # Also under the name the Linux build asks pkg-config for (libpng's CMake links it only for shared builds).
        ln -sf libpng16.pc "$prefix.tmp/lib/pkgconfig/libpng.pc"
      return ;;
    freetype)
      # Our zlib: without it FreeType compiles its own copy in, which clashes with libz.a in a static link.
      emcmake cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
        -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON ;;
    libjpeg-turbo)
      # CMake's type-size probe reads the compiled program, here JavaScript, and finds nonsense: wasm32's sizes.
      # Only the TurboJPEG library the demo reads with (the JPEG code compiled into it): not the plain libjpeg
      # beside it, nor the tools.
      emcmake cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
        -DWITH_SIMD=OFF -DWITH_TURBOJPEG=ON -DSIZE_T=4 -DUNSIGNED_LONG=4 &&
        cmake --build "$dir/_build" --target turbojpeg-static -j "$jobs" &&
        mkdir -p "$prefix.tmp/include" "$prefix.tmp/lib/pkgconfig" &&
        cp "$dir/turbojpeg.h" "$prefix.tmp/include/" && cp "$dir/_build/libturbojpeg.a" "$prefix.tmp/lib/" &&
        cp "$dir/_build/pkgscripts/libturbojpeg.pc" "$prefix.tmp/lib/pkgconfig/"
      return ;;
    libopenmpt)
      # Catching C++ exceptions is how libopenmpt reports a bad module through its C API: built with
      # emscripten's exception support (the program is linked with -fexceptions as well).
      # Its config.sub predates emscripten's triplet: Debian's newer one, as Debian's own build does.
      cp /usr/share/misc/config.sub /usr/share/misc/config.guess "$dir/build-aux/" &&
      (cd "$dir" && emconfigure ./configure --host=wasm32-unknown-emscripten --prefix="$prefix.tmp" \
        CFLAGS="-O2" CXXFLAGS="-O2 -fexceptions" LDFLAGS="-fexceptions" \
        --disable-shared --enable-static --disable-openmpt123 --disable-examples --disable-tests \
        --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
        --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sndfile --without-flac &&
        emmake make -j "$jobs" && make install)
      return ;;
    libsdl2)
      # Its Emscripten backend: video on a canvas with WebGL contexts, Web Audio, the page's events. No
      # pthreads: threads in a page need cross-origin isolation and every object built for them.
      # Only the parts the demo uses: no joysticks, haptics, sensors, power, locale, URLs, 2D renderer or
      # drivers other than the browser's; each left out is fewer configure checks and files to build.
      emcmake cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL_PTHREADS=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_POWER=OFF -DSDL_SENSOR=OFF \
        -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_RENDER=OFF -DSDL_DISKAUDIO=OFF -DSDL_DUMMYVIDEO=OFF \
        -DSDL_OFFSCREEN=OFF -DSDL2_DISABLE_SDL2MAIN=ON ;;
  esac
  [ $? -eq 0 ] && cmake --build "$dir/_build" -j "$jobs" && cmake --install "$dir/_build"
}

build_libraries KORVALE_WEB_PREFIX

# The demo and its capture tool for the page, against the prefix; data/ comes from the host build (its
# generators run on this machine), preloaded into the page's files.
mkdir -p "$out"
ln -sfn "$prefix" "$out/libraries"
[ -d "$root/build/data" ] || ./scripts/setup.sh > /dev/null
export KORVALE_WEB_PREFIX="$prefix"
configure_against_prefix "$out/build"
emcmake cmake -S "$root" -B "$out/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/emscripten-wasm32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKORVALE_WEB_DATA="$root/build" > "$out/configure.log"
cmake --build "$out/build" -j "$jobs" --target korvale korvale-capture
# One folder to serve: the page, the program, its data and the title's font, and the capture tool for the test
# mode at home. The zip is what a web host needs: the page and the demo, named one by one, never the capture
# tool (a deployed page ignores ?test=, and the tool has no business on a public host).
for program in korvale korvale-capture; do
  cp "$out/build/$program.js" "$out/build/$program.wasm" "$out/build/$program.data" "$out/"
done
cp "$root/platform/web/index.html" "$root/platform/web/page.js" "$root/platform/web/page.css" "$root/Korvale.ttf" \
  "$root/Korvale-LICENSE.txt" "$out/"
page=(index.html page.js page.css Korvale.ttf Korvale-LICENSE.txt)
demo=(korvale.js korvale.wasm korvale.data)
(cd "$out" && rm -f korvale-web.zip && zip -q -X korvale-web.zip "${page[@]}" "${demo[@]}")
echo "build-web: $out/index.html and $out/korvale-web.zip ($(du -h "$out/korvale-web.zip" | cut -f1)); libraries in $prefix"
