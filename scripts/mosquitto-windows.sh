#!/usr/bin/env bash
# Builds libmosquitto, the MQTT client library alone, for 64-bit or 32-bit
# Windows (x86_64-w64-mingw32 or i686-w64-mingw32, posix threads as Qt) from
# Debian's own mosquitto source, and prints the folder it is installed in:
#   bash scripts/mosquitto-windows.sh [win64|win32]      (default: win64)
# Cached as scripts/qt-windows.sh caches Qt: once per machine and
# architecture, in a folder named after the version, the architecture and a
# hash of this recipe and its toolchain file.
# Without TLS: Debian has no OpenSSL for mingw-w64. Without threads: the
# programs drive the library from their own event loop.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

arch="${1:-win64}"
case "$arch" in
win64) triplet=x86_64-w64-mingw32 cpu=x86_64 package=x86-64 ;;
win32) triplet=i686-w64-mingw32 cpu=i686 package=i686 ;;
*)
    echo "usage: bash scripts/mosquitto-windows.sh [win64|win32]" >&2
    exit 2
    ;;
esac
version=2.0.11
toolchain="$root/cmake/mingw-w64-$cpu.cmake"
recipe="$(cat scripts/mosquitto-windows.sh "$toolchain" | sha256sum | cut -c1-12)"
cache="${SARVOLIN_CACHE:-$HOME/.cache/sarvolin}"
prefix="$cache/mosquitto-$version-$arch-$recipe"
if [ -f "$prefix/.built" ]; then
    echo "$prefix"
    exit 0
fi

scripts/deps.sh dpkg-dev cmake make "g++-mingw-w64-$package-posix" \
    "gcc-mingw-w64-$package-posix" >&2

work="$(mktemp -d)"
trap 'rm -rf "$work" "$prefix.partial"' EXIT

# The machine's Debian mirrors, as source repositories of our own.
mkdir -p "$work/sources.list.d" "$work/lists/partial" "$work/archives/partial"
for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$list" >"$work/sources.list.d/$(basename "$list")"
done
if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >"$work/sources.list"
else
    : >"$work/sources.list"
fi
apt_private=(-o Dir::Etc::SourceList="$work/sources.list"
    -o Dir::Etc::SourceParts="$work/sources.list.d"
    -o Dir::State::Lists="$work/lists" -o Dir::Cache::Archives="$work/archives"
    -o Dir::Cache::pkgcache="" -o Dir::Cache::srcpkgcache="" -o APT::Sandbox::User=root)
echo "Fetching Debian's mosquitto source" >&2
apt-get "${apt_private[@]}" -qq update >&2
(cd "$work" && apt-get "${apt_private[@]}" -qq source mosquitto >&2)
source_dir="$(find "$work" -maxdepth 1 -type d -name 'mosquitto-*' | head -n 1)"
case "$source_dir" in
*/mosquitto-"$version") ;;
*)
    echo "mosquitto-windows: expected mosquitto $version, found ${source_dir:-nothing}" >&2
    exit 1
    ;;
esac

# The shared client library and its headers only: no broker, programs,
# plugins, manual pages or C++ wrapper.
echo "Building libmosquitto $version for $triplet into $prefix" >&2
rm -rf "$prefix.partial"
cmake -S "$source_dir" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.partial" \
    -DWITH_TLS=OFF -DWITH_TLS_PSK=OFF -DWITH_EC=OFF -DWITH_THREADING=OFF \
    -DWITH_SRV=OFF -DWITH_SOCKS=OFF -DWITH_CJSON=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF \
    -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF -DWITH_LIB_CPP=OFF -DDOCUMENTATION=OFF \
    -DWITH_STATIC_LIBRARIES=OFF >"$work/configure.log" 2>&1 || {
    tail -n 60 "$work/configure.log" >&2
    exit 1
}
cmake --build "$work/build" --parallel "$(nproc 2>/dev/null || echo 2)" \
    >"$work/make.log" 2>&1 || {
    tail -n 60 "$work/make.log" >&2
    exit 1
}
cmake --install "$work/build" --strip >"$work/install.log" 2>&1 || {
    tail -n 60 "$work/install.log" >&2
    exit 1
}
# Its install rules leave out the import library and name a C++ one not built.
cp "$work/build/lib/libmosquitto.dll.a" "$prefix.partial/lib/"
rm -f "$prefix.partial/lib/pkgconfig/libmosquittopp.pc"
if [ ! -f "$prefix.partial/include/mosquitto.h" ] || [ ! -f "$prefix.partial/bin/libmosquitto.dll" ]; then
    echo "mosquitto-windows: the build installed no libmosquitto.dll" >&2
    exit 1
fi
touch "$prefix.partial/.built"
rm -rf "$prefix"
mv "$prefix.partial" "$prefix"
echo "$prefix"
