#!/usr/bin/env bash
# Sets everything up, builds the program on the simulated camera and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# shellcheck disable=SC2046
scripts/deps.sh $(grep -v '^#' scripts/build-deps.txt)
scripts/cjk-font.sh

cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/plain --parallel "$(nproc 2>/dev/null || echo 2)" --target sarvolin-demo
exec build/plain/sarvolin-demo "$@"
