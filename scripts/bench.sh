#!/usr/bin/env bash
# Builds the benchmark programs and prints their tables:
#   bash scripts/bench.sh
# Numbers only: each target is shown next to its measurement, and nothing
# fails on a number; the command fails only when a measurement cannot be made.
# Builds in $SARVOLIN_BUILD_DIR (default: build/bench); $SARVOLIN_BENCH_RUNS
# sets the start-up runs per program (default 25). bench/README.md says how
# each number is taken.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt) xvfb xauth
# The same fonts as a user of the run command, since they weigh on start-up.
scripts/cjk-font.sh

build="${SARVOLIN_BUILD_DIR:-build/bench}"
runs="${SARVOLIN_BENCH_RUNS:-25}"
jobs="$(nproc 2>/dev/null || echo 2)"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSARVOLIN_SANITIZE=OFF \
    -DBUILD_TESTING=OFF -DSARVOLIN_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --parallel "$jobs" --target sarvolin-bench >/dev/null
bin="$build/bench"

# A desktop session has a private runtime folder; without one Qt warns on
# every start.
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"

qt="$(dpkg-query -W -f='${Version}' libqt5core5a 2>/dev/null || echo unknown)"
cpu="$(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -n 1)"
memory="$(free -g 2>/dev/null | awk '/^Mem:/ { print $2 " GiB" }')"
echo "# Sarvolin benchmarks"
echo
echo "- when: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "- machine: ${cpu:-unknown CPU}, $(nproc) cores, ${memory:-unknown memory}, $(uname -sr)"
echo "- software: Qt $qt, $(c++ --version | head -n 1), build type RelWithDebInfo"
echo "- load average before: $(cut -d ' ' -f 1-3 /proc/loadavg)"

failed=0
run() {
    "$@" || { failed=1; echo "bench: '$*' could not measure" >&2; }
}

run "$bin/sarvolin-bench-calls"
run "$bin/sarvolin-bench-cycles"
run "$bin/sarvolin-bench-language"
run "$bin/sarvolin-bench-startup" --platform offscreen --label offscreen --runs "$runs"
run xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
    "$bin/sarvolin-bench-startup" --platform xcb --label "xcb on Xvfb" --runs "$runs"

echo
echo "- load average after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
exit "$failed"
