#!/usr/bin/env bash
# Renders the main window, after a read on the simulated camera, and the rig
# window, on a simulated rig with a roster and over a broker with three
# hosts' agents, one lost, in English and in Chinese to PNG files:
#   scripts/screenshot.sh [output-directory]      (default: screenshots/out)
# Builds in $SARVOLIN_BUILD_DIR (default: build/plain). Renders on a virtual X
# display rather than the offscreen platform, whose 12 pt fallback font is far
# larger than a desktop's; the CJK font of the run command is installed first
# if none is present, so the pictures show what a new user sees.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

out="${1:-screenshots/out}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
build="${SARVOLIN_BUILD_DIR:-build/plain}"

# shellcheck disable=SC2046
scripts/deps.sh $(grep -v '^#' scripts/build-deps.txt) xvfb xauth mosquitto mosquitto-clients
scripts/cjk-font.sh

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build "$build" --parallel "$(nproc 2>/dev/null || echo 2)" --target sarvolin-window-shot sarvolin-rig-shot
for shot in tests/ui/sarvolin-window-shot tests/rig/sarvolin-rig-shot; do
    xvfb-run -a -s "-screen 0 1600x1024x24 -dpi 96" \
        env QT_QPA_PLATFORM=xcb "$build/$shot" "$out"
done
