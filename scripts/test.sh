#!/usr/bin/env bash
# Sets everything up, then checks the formatting and builds and runs every
# test: in a plain build, again under valgrind's memcheck, as 64-bit and 32-bit
# Windows programs under wine, once more with AddressSanitizer +
# UndefinedBehaviorSanitizer, then the fuzzers.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt scripts/test-deps.txt)
# The Chinese texts are checked for real glyphs.
scripts/cjk-font.sh

jobs="$(nproc 2>/dev/null || echo 2)"
export QT_QPA_PLATFORM=offscreen

run_build() {
    local dir="$1"; shift
    cmake -S . -B "$dir" "$@"
    cmake --build "$dir" --parallel "$jobs"
    (cd "$dir" && ctest --output-on-failure --timeout 300)
}

echo "== formatting =="
bash scripts/format-check.sh

echo "== plain build =="
# The plain build also cross-builds the Windows loader and runs it under
# 64-bit and 32-bit wine (the latter from a 32-bit Debian root, made once and
# cached), and builds the benchmark programs, so they keep compiling.
bash scripts/wine32-root.sh >/dev/null
run_build build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
    -DSARVOLIN_WINE_TESTS=ON -DSARVOLIN_BUILD_BENCH=ON

echo "== memory check (valgrind memcheck) =="
SARVOLIN_BUILD_DIR=build/plain bash scripts/memcheck.sh

echo "== Debian package (lintian, validators, install, start, purge) =="
bash scripts/package-check.sh

echo "== Windows, 64-bit: Qt for Windows (cached), cross-build, tests and a press under wine, zip =="
bash scripts/windows-test.sh win64

echo "== Windows, 32-bit: the same on the 32-bit Qt under 32-bit wine, and a cdecl EDSDK.dll refused =="
bash scripts/windows-test.sh win32

echo "== sanitizer build (ASan + UBSan) =="
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_build build/asan -DCMAKE_BUILD_TYPE=Debug -DSARVOLIN_SANITIZE=ON -DBUILD_TESTING=ON

echo "== fuzzing (libFuzzer, bounded time) =="
bash scripts/fuzz.sh
