#!/usr/bin/env bash
# Builds the benchmark programs and prints every figure with its target:
#   bash scripts/bench.sh
#   bash scripts/bench.sh --baseline COMMIT
# Nothing fails on a number; the command fails only when a measurement cannot
# be made. Builds in $SARVOLIN_BUILD_DIR (default: build/bench);
# $SARVOLIN_BENCH_RUNS sets hyperfine's runs. bench/README.md says what each
# figure is. --baseline also builds COMMIT, in a temporary git worktree with
# this tree's bench/ in place of its own, compares the in-process figures of
# both with Google Benchmark's compare.py and times both listers side by side.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

baseline=""
case "${1:-}" in
"") ;;
--baseline)
    [ $# = 2 ] || { echo "usage: bash scripts/bench.sh [--baseline COMMIT]" >&2 && exit 2; }
    baseline="$(git rev-parse --verify --quiet "$2^{commit}")" ||
        { echo "bench: '$2' is not a commit of this repository" >&2 && exit 2; }
    ;;
*) echo "usage: bash scripts/bench.sh [--baseline COMMIT]" >&2 && exit 2 ;;
esac

tools=(libbenchmark-dev hyperfine time mosquitto mosquitto-clients)
# compare.py runs on Debian's Python, with its statistics packages.
[ -z "$baseline" ] || tools+=(libbenchmark-tools python3-scipy python3-numpy)
# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt) "${tools[@]}"
# The same fonts as a user of the run command: they weigh on the language switch.
scripts/cjk-font.sh

jobs="$(nproc 2>/dev/null || echo 2)"
# Earlier commits name the tests' option SARVOLIN_BUILD_TESTS; neither warns.
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSARVOLIN_SANITIZE=OFF -DBUILD_TESTING=OFF
    -DSARVOLIN_BUILD_TESTS=OFF -DSARVOLIN_BUILD_BENCH=ON --no-warn-unused-cli)
build() { # SOURCE BUILD
    cmake -S "$1" -B "$2" "${configure[@]}" >/dev/null
    cmake --build "$2" --parallel "$jobs" --target sarvolin-bench >/dev/null
}
out="${SARVOLIN_BUILD_DIR:-build/bench}"
build . "$out"

# A desktop session has a private runtime folder; without one Qt warns on
# every start.
work="$(mktemp -d)"
cleanup() {
    if [ -n "$baseline" ]; then
        git worktree remove --force "$work/tree" 2>/dev/null || true
        git worktree prune
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work"
if [ -n "$baseline" ]; then
    git worktree add --quiet --detach "$work/tree" "$baseline"
    grep -q 'add_subdirectory(bench)' "$work/tree/CMakeLists.txt" ||
        { echo "bench: $2 has no benchmarks to build; choose a later commit" >&2 && exit 1; }
    # Both sides run the same benchmark programs: they use only the public
    # classes and the SDK functions, which earlier commits have too.
    rm -rf "$work/tree/bench"
    cp -R bench "$work/tree/bench"
    build "$work/tree" "$work/build"
fi

echo "# Sarvolin benchmarks"
echo
echo "- when: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD)$(
    [ -z "$(git status --porcelain)" ] || echo ' with uncommitted changes')"
echo "- machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) cores, $(uname -sr)"
echo "- software: Qt $(dpkg-query -W -f='${Version}' libqt5core5a), $(c++ --version | head -n 1)"
echo "- load average before: $(cut -d ' ' -f 1-3 /proc/loadavg)"

failed=0
# Google Benchmark: its console table, then the targets from its JSON.
inprocess() { # PROGRAM JSON [HEAP-JSON]
    [ -x "$1" ] || return 0
    printf '\n## %s\n\n' "$(basename "$1")"
    "$1" --benchmark_out="$2" --benchmark_out_format=json --benchmark_counters_tabular=true 2>&1 ||
        failed=1
    python3 - "$2" ${3:+"$3"} <<'EOF' || failed=1
import json, sys
ok = True
runs = [json.load(open(name))["benchmarks"] for name in sys.argv[1:]] + [[]]
for b in runs[0] + runs[1]:
    if b.get("error_occurred"):
        print("- %s could not measure: %s" % (b["name"], b["error_message"]))
        ok = False
for b in runs[0]:
    if "sdk_calls" in b:
        print("- SDK calls per cycle: %g" % b["sdk_calls"])
    if "home_entries" in b:
        print("- left in HOME: %d entries" % b["home_entries"])
for b in runs[1]:
    if "heap_growth" in b:
        growth = b["heap_growth"]
        print("- heap in use after %d cycles, glibc's thread cache off: %d B, growth %+d B "
              "(target: no growth: %s)"
              % (b["iterations"], b["heap_bytes"], growth, "met" if growth <= 0 else "not met"))
sys.exit(0 if ok else 1)
EOF
}
camera="$out/bench/sarvolin-bench-camera"
# A freed block held in glibc's thread cache counts as in use, and what it
# holds drifts with the heap's layout: the heap is read in a run without it.
GLIBC_TUNABLES=glibc.malloc.tcache_count=0 "$camera" --benchmark_filter=cameraCycle \
    --benchmark_format=json >"$work/heap.json" 2>/dev/null || failed=1
inprocess "$camera" "$work/camera.json" "$work/heap.json"
inprocess "$out/bench/sarvolin-bench-gphoto2" "$work/gphoto2.json"
if [ -n "$baseline" ]; then
    for name in camera gphoto2; do
        program="$work/build/bench/sarvolin-bench-$name"
        [ -x "$program" ] || continue
        "$program" --benchmark_out="$work/$name.before.json" --benchmark_out_format=json \
            >/dev/null 2>&1 || failed=1
        printf '\n## %s: %s against %s\n\n' "sarvolin-bench-$name" "$(git rev-parse --short HEAD)" \
            "$(git rev-parse --short "$baseline")"
        /usr/bin/python3 /usr/share/benchmark/compare.py --no-color benchmarks \
            "$work/$name.before.json" "$work/$name.json" || failed=1
    done
fi
bash bench/processes.sh "$out" ${baseline:+"$work/build"} || failed=1
bash bench/broker.sh "$out" || failed=1

echo
echo "- load average after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
exit "$failed"
