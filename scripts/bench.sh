#!/usr/bin/env bash
# Builds the benchmark programs and prints their tables:
#   bash scripts/bench.sh
#   bash scripts/bench.sh --baseline COMMIT
# Numbers only: each target is shown next to its measurement, and nothing
# fails on a number; the command fails only when a measurement cannot be made.
# Builds in $SARVOLIN_BUILD_DIR (default: build/bench); $SARVOLIN_BENCH_RUNS
# sets the runs of each whole-process figure (bench/lister.sh, bench/rig.sh).
# bench/README.md says how each number is taken.
# --baseline times the camera cycle through libgphoto2 alone, for this tree
# and for COMMIT in alternate rounds, and the lister's worker of COMMIT beside
# this tree's: COMMIT is checked out into a temporary git worktree, with this
# tree's bench/ in place of its own, and built there; worktree and build are
# removed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

baseline=""
while [ $# -gt 0 ]; do
    case "$1" in
    --baseline)
        [ $# -ge 2 ] || { echo "bench: --baseline needs a commit" >&2; exit 2; }
        baseline="$2"
        shift 2
        ;;
    --baseline=*)
        baseline="${1#--baseline=}"
        shift
        ;;
    *)
        echo "usage: bash scripts/bench.sh [--baseline COMMIT]" >&2
        exit 2
        ;;
    esac
done
if [ -n "$baseline" ]; then
    baseline_commit="$(git rev-parse --verify --quiet "$baseline^{commit}")" || {
        echo "bench: '$baseline' is not a commit of this repository" >&2
        exit 2
    }
fi

# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt) hyperfine time
# The same fonts as a user of the run command, since they weigh on the
# language switch.
[ -n "$baseline" ] || scripts/cjk-font.sh

build="${SARVOLIN_BUILD_DIR:-build/bench}"
jobs="$(nproc 2>/dev/null || echo 2)"
# Earlier commits name the tests' option SARVOLIN_BUILD_TESTS and build the
# benchmarks by default; both spellings are given, and neither warns.
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSARVOLIN_SANITIZE=OFF -DBUILD_TESTING=OFF
    -DSARVOLIN_BUILD_TESTS=OFF -DSARVOLIN_BUILD_BENCH=ON --no-warn-unused-cli)
targets=(sarvolin-bench)
[ -z "$baseline" ] ||
    targets=(sarvolin-bench-gphoto2 sarvolin-bench-address sarvolin-list sarvolin-list-demo)

cmake -S . -B "$build" "${configure[@]}" >/dev/null
cmake --build "$build" --parallel "$jobs" --target "${targets[@]}" >/dev/null
bin="$build/bench"

# A desktop session has a private runtime folder; without one Qt warns on
# every start.
runtime="$(mktemp -d)"
work=""
# shellcheck disable=SC2317
cleanup() {
    if [ -n "$work" ]; then
        git worktree remove --force "$work/tree" 2>/dev/null || true
        git worktree prune
        rm -rf "$work"
    fi
    rm -rf "$runtime"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$runtime"

if [ -n "$baseline" ]; then
    [ -x "$bin/sarvolin-bench-gphoto2" ] || {
        echo "bench: libgphoto2 was not found, so there is no camera cycle through it to time" >&2
        exit 1
    }
    work="$(mktemp -d)"
    git worktree add --quiet --detach "$work/tree" "$baseline_commit"
    grep -q 'add_subdirectory(bench)' "$work/tree/CMakeLists.txt" || {
        echo "bench: $baseline has no benchmarks to build; choose a later commit" >&2
        exit 1
    }
    # Our bench/ uses only the camera class's public calls and the SDK, which
    # the earlier trees have too; the same program is timed on both sides.
    rm -rf "$work/tree/bench"
    cp -R bench "$work/tree/bench"
    cmake -S "$work/tree" -B "$work/build" "${configure[@]}" >/dev/null
    cmake --build "$work/build" --parallel "$jobs" \
        --target sarvolin-bench-gphoto2 sarvolin-list >/dev/null
fi

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

head="$(git rev-parse --short HEAD)"
if [ -n "$(git status --porcelain)" ]; then
    head="$head with uncommitted changes"
fi

if [ -n "$baseline" ]; then
    before="$(git rev-parse --short "$baseline_commit")"
    [ "$baseline" = "$before" ] || before="$baseline ($before)"
    run "$bin/sarvolin-bench-gphoto2" --before "$work/build/bench/sarvolin-bench-gphoto2" \
        --before-label "$before" --label "$head"
    echo
    echo "The lister's worker: $head, and before: $before"
    run bash bench/lister.sh "$build" "$work/build"
    echo
    echo "- load average after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
    exit "$failed"
fi

run "$bin/sarvolin-bench-calls"
run "$bin/sarvolin-bench-cycles"
if [ -x "$bin/sarvolin-bench-gphoto2" ]; then
    run "$bin/sarvolin-bench-gphoto2" --label "$head"
else
    echo
    echo "libgphoto2 was not found: no camera cycle through it"
fi
run bash bench/lister.sh "$build"
run bash bench/rig.sh "$build"
run "$bin/sarvolin-bench-language"

echo
echo "- load average after: $(cut -d ' ' -f 1-3 /proc/loadavg)"
exit "$failed"
