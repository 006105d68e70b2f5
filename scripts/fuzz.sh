#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer included) and runs each for a bounded time over a
# copy of its seed corpus, so the committed corpus never grows. Fails on any
# crash, leak or broken invariant; what a target found is kept under
# <build>/artifacts.
#
#   scripts/fuzz.sh [seconds per target]
#
# SARVOLIN_FUZZ_SECONDS also sets the time (default 60); SARVOLIN_FUZZ_BUILD_DIR
# the build directory (default build/fuzz).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

seconds="${1:-${SARVOLIN_FUZZ_SECONDS:-60}}"
build="${SARVOLIN_FUZZ_BUILD_DIR:-build/fuzz}"
jobs="$(nproc 2>/dev/null || echo 2)"
targets=(fuzz_bodyid fuzz_window fuzz_hostpayload)
declare -A max_len=([fuzz_bodyid]=257 [fuzz_window]=40 [fuzz_hostpayload]=4096)

# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt) clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSARVOLIN_FUZZ=ON -DBUILD_TESTING=OFF -DSARVOLIN_BUILD_BENCH=OFF
cmake --build "$build" --parallel "$jobs" --target "${targets[@]}"
build="$(cd "$build" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"

# The window target's files go into the work directory too.
export TMPDIR="$work"
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cat tests/lsan.supp tests/fuzz/lsan.supp >"$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp"
# The payload target's leaks are checked with full unwinding, so that Qt's JSON
# parser, built without frame pointers, is on the stack for its suppression to
# match; it costs that target nine runs in ten, so the others keep the fast one.
declare -A lsan_extra=([fuzz_hostpayload]=":fast_unwind_on_malloc=0")

run_target() {
    local target="$1"
    mkdir -p "$work/$target"
    cp -r "tests/fuzz/corpus/$target/." "$work/$target/"
    LSAN_OPTIONS="$LSAN_OPTIONS${lsan_extra[$target]:-}" \
        "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=30 \
        -max_len="${max_len[$target]}" -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$work/$target" \
        >"$work/$target.log" 2>&1
}

# With two cores or more the targets run side by side.
declare -A pids status
for target in "${targets[@]}"; do
    if [ "$jobs" -ge 2 ]; then
        run_target "$target" &
        pids[$target]=$!
    else
        run_target "$target" && status[$target]=0 || status[$target]=$?
    fi
done
for target in "${targets[@]}"; do
    if [ -n "${pids[$target]:-}" ]; then
        wait "${pids[$target]}" && status[$target]=0 || status[$target]=$?
    fi
done

failed=0
for target in "${targets[@]}"; do
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")"
    speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$target.log")"
    if [ "${status[$target]}" -eq 0 ]; then
        echo "$target: ${runs:-?} runs, ${speed:-?} per second, no findings"
    else
        failed=1
        echo "== $target FAILED (exit ${status[$target]}); its log:"
        tail -n 80 "$work/$target.log"
        echo "== input kept in $build/artifacts/"
    fi
done
exit "$failed"
