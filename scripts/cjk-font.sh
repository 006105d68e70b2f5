#!/usr/bin/env bash
# Installs a font for the window's Chinese texts when the machine has none;
# without one they show as empty boxes. fonts-wqy-microhei is the lightest
# upright sans-serif face in Debian that draws every character they use.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh fontconfig
if ! fc-list :lang=zh-cn family | grep -q .; then
    scripts/deps.sh fonts-wqy-microhei
    fc-cache >/dev/null
fi
