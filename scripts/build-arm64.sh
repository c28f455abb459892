#!/usr/bin/env bash
# Cross-builds korvale and korvale-capture for 64-bit ARM Linux into build-arm64/ (or $KORVALE_ARM64_BUILD)
# and packs korvale_<version>_arm64.deb there. Debian's cross compiler builds against Debian's own arm64
# libraries, installed beside the build machine's through multiarch: the same versions an arm64 Debian has,
# and the arm64 Mesa and SDL that the checks under qemu-user run with anyway. data/ and the icons come from
# the host build.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${KORVALE_JOBS:-2}"
out="${KORVALE_ARM64_BUILD:-build-arm64}"
host_build="$(realpath "${KORVALE_BUILD:-build}")"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The host build first: it makes data/ and the icons (the generators run on the build machine).
./scripts/setup.sh > /dev/null

# shellcheck source=scripts/debian-packages.sh
. "$root/scripts/debian-packages.sh"
if ! grep -qx arm64 <<< "$(dpkg --print-foreign-architectures)"; then
  echo "build-arm64: adding arm64 to dpkg's architectures"
  $sudo dpkg --add-architecture arm64
  $sudo apt-get update -qq
  apt_updated=1
fi
# The build's libraries, as setup.sh names them for the host; Mesa's drivers and GLES for the runs under qemu.
packages=(crossbuild-essential-arm64 dpkg-dev qemu-user
          libsdl2-dev:arm64 libgl-dev:arm64 libglu1-mesa-dev:arm64 libegl-dev:arm64 libgles-dev:arm64
          libgl1-mesa-dri:arm64 libfreetype-dev:arm64 libfontconfig-dev:arm64 libturbojpeg0-dev:arm64
          libopenmpt-dev:arm64 libpng-dev:arm64)
# Where this host's package sources offer no arm64 packages, no cross compiler or no qemu, nothing here can be
# built: said, and exit 3, which scripts/test-arm64.sh reports as a skip. Any other reason apt gives fails.
for offered in libc6:arm64 crossbuild-essential-arm64 qemu-user; do
  if ! grep -q 'Candidate: [^(]' <<< "$(apt-cache policy "$offered" 2>/dev/null)"; then
    echo "build-arm64: this host's package sources offer no $offered" >&2
    exit 3
  fi
done
install_packages "${packages[@]}"

cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" \
  -DKORVALE_HOST_BUILD="$host_build" -DBUILD_TESTING=OFF ${KORVALE_ARM64_CMAKE_ARGS:-} > /dev/null
cmake --build "$out" -j "$jobs"
# Run from the build folder (under qemu-aarch64) as the host build is: data/ and the font beside the programs.
ln -sfn "$host_build/data" "$out/data"
cp Korvale.ttf "$out/"

rm -f "$out"/korvale_*.deb
(cd "$out" && cpack -G DEB > /dev/null)
deb=("$out"/korvale_*_arm64.deb)
[ -f "${deb[0]}" ] || { echo "build-arm64: no arm64 package was made" >&2; exit 1; }
echo "build-arm64: ${deb[0]} ($(stat -c %s "${deb[0]}") bytes)"
