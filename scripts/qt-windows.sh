#!/usr/bin/env bash
# Builds Qt 5 for 64-bit or 32-bit Windows (x86_64-w64-mingw32 or
# i686-w64-mingw32, posix threads) from Debian's own qtbase source, with only
# what the Windows programs and their tests need, and prints the folder it is
# installed in:
#   bash scripts/qt-windows.sh [win64|win32]      (default: win64)
# Built once per machine and architecture into a cache outside the repository
# ($SARVOLIN_CACHE, default ~/.cache/sarvolin), in a folder named after the Qt
# version, the architecture and a hash of this recipe, so a changed recipe
# builds anew and later runs reuse the build. The machine's apt configuration is left as it is: the
# source comes through a private sources list naming the machine's own mirrors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

arch="${1:-win64}"
case "$arch" in
win64) triplet=x86_64-w64-mingw32 package=x86-64 ;;
win32) triplet=i686-w64-mingw32 package=i686 ;;
*)
    echo "usage: bash scripts/qt-windows.sh [win64|win32]" >&2
    exit 2
    ;;
esac
version=5.15.8
recipe="$(sha256sum <scripts/qt-windows.sh | cut -c1-12)"
cache="${SARVOLIN_CACHE:-$HOME/.cache/sarvolin}"
prefix="$cache/qt-$version-$arch-$recipe"
if [ -f "$prefix/.built" ]; then
    echo "$prefix"
    exit 0
fi

scripts/deps.sh dpkg-dev build-essential perl python3 \
    "g++-mingw-w64-$package-posix" "gcc-mingw-w64-$package-posix" mingw-w64-tools >&2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

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
echo "Fetching Debian's qtbase source" >&2
apt-get "${apt_private[@]}" -qq update >&2
(cd "$work" && apt-get "${apt_private[@]}" -qq source qtbase-opensource-src >&2)
source_dir="$(find "$work" -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -n 1)"
case "$source_dir" in
*-"$version"*) ;;
*)
    echo "qt-windows: expected qtbase $version, found ${source_dir:-nothing}" >&2
    exit 1
    ;;
esac

# Debian's default mingw-w64 compiler has win32 threads, without std::mutex;
# the posix one stands in for it under the plain names Qt's build calls.
mkdir -p "$work/bin"
for tool in gcc g++ c++ cpp; do
    ln -s "/usr/bin/$triplet-$tool-posix" "$work/bin/$triplet-$tool"
done
export PATH="$work/bin:$PATH"

# Core, Gui, Widgets and Test, the windows and offscreen platforms and the
# windowsvista style; nothing of network, SQL, XML, D-Bus, Direct2D, printing
# or OpenGL, which no program here uses. Debian's source drops the Wintab
# tablet code.
echo "Building Qt $version for $triplet into $prefix (takes a while)" >&2
mkdir -p "$work/build"
cd "$work/build"
"$source_dir/configure" -prefix "$prefix" -xplatform win32-g++ \
    -device-option CROSS_COMPILE="$triplet-" \
    -opensource -confirm-license -release -shared -strip \
    -nomake examples -nomake tests -no-compile-examples \
    -no-opengl -no-dbus -no-icu -no-sql-sqlite -no-feature-concurrent -no-feature-printer \
    -no-feature-tabletevent -qt-zlib -qt-libpng -no-libjpeg -qt-freetype -qt-pcre \
    -no-harfbuzz -no-feature-network -no-feature-sql -no-feature-xml -no-feature-direct2d \
    -silent >"$work/configure.log" 2>&1 || {
    tail -n 60 "$work/configure.log" >&2
    exit 1
}
make -j"$(nproc 2>/dev/null || echo 2)" >"$work/make.log" 2>&1 || {
    tail -n 60 "$work/make.log" >&2
    exit 1
}
make install >"$work/install.log" 2>&1 || {
    tail -n 60 "$work/install.log" >&2
    exit 1
}
touch "$prefix/.built"
echo "$prefix"
