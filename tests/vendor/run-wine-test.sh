#!/bin/sh
# Runs the cross-built loader test under wine, in a throw-away prefix.
#   run-wine-test.sh <wine> <win32|win64> <folder holding full/ partial/ none/ [cdecl/]>
set -eu
wine="$1"
arch="$2"
stage="$3"

prefix="$(mktemp -d)"
work="$(mktemp -d)"
tmp="$(mktemp -d)"
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver=wineserver
cleanup() {
    WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true
    WINEPREFIX="$prefix" "$wineserver" -w 2>/dev/null || true
    rm -rf "$prefix" "$work" "$tmp"
}
trap cleanup EXIT
# Wine keeps its server's socket in a new folder under TMPDIR on every run.
export TMPDIR="$tmp"

export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all
# No Mono or Gecko prompts while the prefix is created; no display needed.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# Started from an empty folder, so only the program's folder can supply EDSDK.dll.
cd "$work"
status=0
for mode in full partial none cdecl; do
    [ -d "$stage/$mode" ] || continue # cdecl: 32-bit only
    "$wine" "$stage/$mode/wineloadertest.exe" "$mode" || status=1
done
exit $status
