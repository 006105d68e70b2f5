#!/usr/bin/env bash
# Builds the Debian package of sarvolin (libgphoto2) and sarvolin-demo, with
# Debian's hardening flags and stripped programs, and prints its path:
#   bash scripts/package.sh
# Builds in $SARVOLIN_BUILD_DIR (default: build/package) and writes the
# package there. `apt install ./<that path>` installs it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# shellcheck disable=SC2046
scripts/deps.sh $(grep -v '^#' scripts/build-deps.txt)

build="${SARVOLIN_BUILD_DIR:-build/package}"
jobs="$(nproc 2>/dev/null || echo 2)"

# CMake reads no CPPFLAGS, so the preprocessor's hardening goes with the
# compiler's flags. The camera is named so that a machine without libgphoto2
# fails here instead of packaging the simulated camera as sarvolin.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DSARVOLIN_CAMERA=gphoto2 -DBUILD_TESTING=OFF -DSARVOLIN_BUILD_BENCH=OFF \
    -DSARVOLIN_SANITIZE=OFF -DSARVOLIN_FUZZ=OFF >/dev/null
cmake --build "$build" --parallel "$jobs"

rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >cpack.log) || { cat "$build/cpack.log" >&2; exit 1; }
deb="$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$build/cpack.log")"
if [ ! -f "$deb" ]; then
    cat "$build/cpack.log" >&2
    exit 1
fi
echo "$deb"
