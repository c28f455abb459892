#!/usr/bin/env bash
# Cross-builds the Windows program into build-windows/ (or $KORVALE_WINDOWS_BUILD): korvale.exe,
# korvale-capture.exe, their DLLs, data/, the font and its licence, and korvale-windows-x64.zip of it all.
# The libraries are built once from Debian's source packages into a cache outside the clone
# ($KORVALE_WINDOWS_CACHE, default /var/cache/korvale-windows), keyed by their versions.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${KORVALE_JOBS:-2}"
out="${KORVALE_WINDOWS_BUILD:-build-windows}"
cache="${KORVALE_WINDOWS_CACHE:-/var/cache/korvale-windows}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The host build first: it makes data/ (the generators run on the build machine) and installs the common tools.
./scripts/setup.sh > /dev/null

# shellcheck source=scripts/debian-packages.sh
. "$root/scripts/debian-packages.sh"
# shellcheck source=scripts/library-cache.sh
. "$root/scripts/library-cache.sh"
label=build-windows
use_debian_sources

packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
          dpkg-dev zip make wine wine64 xvfb ffmpeg)
install_packages "${packages[@]}"

# Source packages in build order (libpng needs zlib; korvale-capture writes PNG).
sources=(zlib libpng1.6 freetype libjpeg-turbo libsdl2 libopenmpt)
recipe_hash="$(sed -n '/^build_library()/,/^}/p' "$0" | sha256sum | cut -c1-12)"
library_prefix "$recipe_hash" "$(x86_64-w64-mingw32-g++-posix -dumpfullversion)"

cmake_cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX="$prefix.tmp" -DCMAKE_PREFIX_PATH="$prefix.tmp" -DBUILD_SHARED_LIBS=ON
             -DBUILD_TESTING=OFF)

# Builds one unpacked source folder into the prefix being made, lean: shared libraries, no docs, no tests.
build_library() {
  local name="$1" dir="$2"
  case "$name" in
    zlib)
      # Debian's zlib source lacks the Windows resource file its DLL needs: the static library serves.
      cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" &&
        cmake --build "$dir/_build" --target zlibstatic -j "$jobs" &&
        mkdir -p "$prefix.tmp/include" "$prefix.tmp/lib" &&
        cp "$dir/zlib.h" "$dir/_build/zconf.h" "$prefix.tmp/include/" &&
        cp "$dir/_build/libzlibstatic.a" "$prefix.tmp/lib/libz.a"
      return ;;
    libpng1.6)
      cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DPNG_STATIC=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF ;;
    freetype)
      cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
        -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON ;;
    libjpeg-turbo)
      cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DENABLE_STATIC=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=ON ;;
    libsdl2)
      cmake -S "$dir" -B "$dir/_build" "${cmake_cross[@]}" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF ;;
    libopenmpt)
      (cd "$dir" && ./configure --host=x86_64-w64-mingw32 --prefix="$prefix.tmp" \
        CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix \
        --enable-shared --disable-static --disable-openmpt123 --disable-examples --disable-tests \
        --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
        --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sndfile --without-flac &&
        make -j "$jobs" && make install)
      return ;;
  esac
  [ $? -eq 0 ] && cmake --build "$dir/_build" -j "$jobs" && cmake --install "$dir/_build"
}

build_libraries KORVALE_WINDOWS_PREFIX

# Our code, against the cached libraries, optimised as the Linux build is (the same arithmetic, the same
# state frame by frame). build-windows/libraries points at the prefix used.
mkdir -p "$out"
ln -sfn "$prefix" "$out/libraries"
export KORVALE_WINDOWS_PREFIX="$prefix"
configure_against_prefix "$out/cmake"
cmake -S . -B "$out/cmake" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF > /dev/null
cmake --build "$out/cmake" -j "$jobs"

# What a Windows user unpacks: the programs, every DLL they load beside them, the data and the font.
stage="$out/korvale-windows-x64"
rm -rf "$stage"
mkdir -p "$stage"
cp "$out/cmake/korvale.exe" "$out/cmake/korvale-capture.exe" "$stage/"
# The DLLs the programs import, and theirs in turn, from the prefix or the compiler's runtime; the system's
# own (KERNEL32, OPENGL32, ...) are found in neither and stay out.
pending=("$stage"/korvale.exe "$stage"/korvale-capture.exe)
while ((${#pending[@]})); do
  binary="${pending[0]}"
  pending=("${pending[@]:1}")
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    [[ -e "$stage/$dll" ]] && continue
    found="$prefix/bin/$dll"
    [[ -e "$found" ]] || found="$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")"
    [[ "$found" == */* && -e "$found" ]] || continue
    cp "$found" "$stage/"
    pending+=("$stage/$dll")
  done
done
# Debug information stays in build-windows/cmake; what is handed out is stripped.
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll
host_build="${KORVALE_BUILD:-build}"
cp -r "$host_build/data" "$stage/data"
cp Korvale.ttf Korvale-LICENSE.txt "$stage/"
# The same beside the build, to run from there.
cp "$stage"/*.exe "$stage"/*.dll "$stage"/Korvale.ttf "$stage"/Korvale-LICENSE.txt "$out/"
rm -rf "$out/data" && cp -r "$stage/data" "$out/data"
rm -f "$out/korvale-windows-x64.zip"
(cd "$out" && zip -qr korvale-windows-x64.zip korvale-windows-x64)
echo "build-windows: $out/korvale-windows-x64.zip ($(du -k "$out/korvale-windows-x64.zip" | cut -f1) KiB)"
