#!/usr/bin/env bash
# The Windows path of the vendor loader: cross-builds it with mingw-w64
# together with a fake EDSDK.dll that exports the SDK operations by ordinal
# only, and runs the test under wine. Installs what is missing (Debian, as root).
#
#   scripts/wine-test.sh [64|32] [build-directory]
#
# 64 (the default) needs only wine64 and runs on any x86-64 host. 32 is the
# build of the original target and the one that exercises the __stdcall
# binding and the refusal of a library without it; it runs under Debian's
# wine32 where installed, or else under a 32-bit Debian root made once and
# cached (scripts/wine32-root.sh), and needs a kernel that can run 32-bit
# programs (some virtual machines cannot: the test is then built but not run,
# and this script fails).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bits="${1:-64}"
build="${2:-build/wine}"

case "$bits" in
64) packages=(wine64 g++-mingw-w64-x86-64-win32) ;;
32)
    # Debian's wine32 where installed, or else the 32-bit root's.
    [ -x /usr/lib/wine/wine ] || bash scripts/wine32-root.sh >/dev/null
    packages=(g++-mingw-w64-i686-win32)
    ;;
*)
    echo "usage: $0 [64|32] [build-directory]" >&2
    exit 2
    ;;
esac

# shellcheck disable=SC2046
scripts/deps.sh $(grep -v '^#' scripts/build-deps.txt) "${packages[@]}"

cmake -S . -B "$build" -DBUILD_TESTING=ON -DSARVOLIN_WINE_TESTS=ON
cmake --build "$build" --target "vendor_wine${bits}_build"
(cd "$build" && ctest -R "^vendor_wine${bits}\$" --no-tests=error --output-on-failure)
