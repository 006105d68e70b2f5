#!/usr/bin/env bash
# A 32-bit Debian root holding wine32, so that the 32-bit Windows programs run
# on a 64-bit machine without the i386 architecture in its dpkg: multiarch
# needs every i386 library at the very version of its amd64 twin, which a
# mirror whose i386 security index lags cannot give. Made with mmdebstrap
# from the machine's own Debian mirror, release suite only, once per machine,
# and cached outside the repository ($SARVOLIN_CACHE, default
# ~/.cache/sarvolin) in a folder named after the release, the architecture
# and a hash of this recipe; prints that folder:
#   bash scripts/wine32-root.sh           makes it if missing
#   bash scripts/wine32-root.sh --built   fails if it is not made yet
# scripts/wine32/wine runs the root's wine. Installs what is missing (Debian,
# as root); the machine's apt configuration is left as it is.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

# shellcheck disable=SC1091
suite="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
recipe="$(sha256sum <"$here/wine32-root.sh" | cut -c1-12)"
cache="${SARVOLIN_CACHE:-$HOME/.cache/sarvolin}"
rootfs="$cache/wine32-$suite-i386-$recipe"
if [ -f "$rootfs/.built" ]; then
    echo "$rootfs"
    exit 0
fi
if [ "${1:-}" = --built ]; then
    echo "wine32: no 32-bit wine at $rootfs; make it with: bash scripts/wine32-root.sh" >&2
    exit 1
fi

"$here/deps.sh" mmdebstrap arch-test >&2

# The first mirror the machine's own sources give for its release.
mirror="$({
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -f "$list" ] || continue
        awk -v suite="$suite" '
            function flush() { if (uri != "" && found && !done) { print uri; done = 1 }
                               uri = ""; found = 0 }
            /^[ \t]*$/ { flush(); next }
            tolower($1) == "uris:" { uri = $2 }
            tolower($1) == "suites:" { for (i = 2; i <= NF; i++) if ($i == suite) found = 1 }
            END { flush() }' "$list"
    done
    [ ! -f /etc/apt/sources.list ] || sed 's/\[[^]]*\]//' /etc/apt/sources.list \
        | awk -v suite="$suite" '$1 == "deb" && $3 == suite { print $2 }'
} | head -n 1)"
mirror="${mirror:-http://deb.debian.org/debian}"

# wine32 and the X libraries its display driver loads; nothing else. The
# build's mounts live in a namespace of its own, gone when it ends.
echo "Making a 32-bit $suite root with wine32 from $mirror into $rootfs" >&2
mkdir -p "$cache"
rm -rf "$rootfs.partial"
trap 'rm -rf "$rootfs.partial"' EXIT
unshare --mount --propagation private \
    mmdebstrap --quiet --arch=i386 --variant=apt --components=main \
    --include=wine,wine32,libxrender1,libxrandr2,libxi6,libxcursor1,libxinerama1,libxcomposite1,libxfixes3,libxxf86vm1 \
    "$suite" "$rootfs.partial" "$mirror" >&2
touch "$rootfs.partial/.built"
mv "$rootfs.partial" "$rootfs"
trap - EXIT
echo "$rootfs"
