#!/usr/bin/env bash
# Builds the camera and window tests and runs them under valgrind's memcheck.
# A test fails on any memory error or any definitely-lost block, so the
# command exits non-zero unless every test is clean:
#   bash scripts/memcheck.sh
# Builds in $SARVOLIN_BUILD_DIR (default: build/memcheck). $SARVOLIN_MEMCHECK_TESTS
# replaces the selection (a ctest regular expression). Suppressions, each with
# its reason, are in tests/valgrind.supp.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt) valgrind

build="${SARVOLIN_BUILD_DIR:-build/memcheck}"
jobs="$(nproc 2>/dev/null || echo 2)"
# The camera logic against the scriptable SDK and the simulated camera, the
# window and its form, catalogues and resources. window_nodisplay only checks
# that the demo program refuses to start without a display, in a child process.
tests="${SARVOLIN_MEMCHECK_TESTS:-^(camera_.*|tst_simulatedcamera|window_.*|tst_tovrak|tst_catalogues|tst_resourcebundle)\$}"
# window_brindel_dpr2 runs window_brindel's caption test again at another scale.
exclude='^(window_nodisplay|window_brindel_dpr2)$'
started=$SECONDS

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSARVOLIN_SANITIZE=OFF \
    -DBUILD_TESTING=ON >/dev/null

# Each test's executable has the test's name: build just those.
mapfile -t targets < <(cd "$build" && ctest -N -R "$tests" -E "$exclude" \
    | sed -n 's/^ *Test *#[0-9]*: *//p')
if [ ${#targets[@]} -eq 0 ]; then
    echo "memcheck: no test matches $tests" >&2
    exit 1
fi
cmake --build "$build" --parallel "$jobs" --target "${targets[@]}"

# ctest wants this file for its dashboard modes; every setting it would hold
# is given on the command line instead.
[ -f "$build/DartConfiguration.tcl" ] || : >"$build/DartConfiguration.tcl"
rm -f "$build"/Testing/Temporary/MemoryChecker.*.log

options="--tool=memcheck --leak-check=full --show-leak-kinds=definite"
options+=" --errors-for-leak-kinds=definite --error-exitcode=99 --num-callers=40"
status=0
(cd "$build" && ctest -T memcheck -R "$tests" -E "$exclude" --parallel "$jobs" \
    --timeout 900 --output-on-failure \
    --overwrite MemoryCheckCommand="$(command -v valgrind)" \
    --overwrite MemoryCheckCommandOptions="$options" \
    --overwrite MemoryCheckSuppressionFile="$root/tests/valgrind.supp") || status=$?

echo
echo "== memcheck summary =="
while IFS= read -r log; do
    name="$(sed -n 's/^==[0-9]*== Command: \([^ ]*\).*/\1/p' "$log" | head -n 1)"
    errors="$(sed -n 's/^==[0-9]*== ERROR SUMMARY: \([0-9,]*\) errors.*/\1/p' "$log" | tail -n 1)"
    lost="$(sed -n 's/^==[0-9]*== *definitely lost: \(.*\)/\1/p' "$log" | tail -n 1)"
    printf '%-22s errors: %-4s definitely lost: %s   (%s)\n' "$(basename "$name")" \
        "${errors:-?}" "${lost:-0 bytes in 0 blocks}" "$log"
    if [ "${errors:-x}" != 0 ]; then
        status=1
        # The test's own output went to ctest; valgrind's findings are here.
        sed -n '/ERROR SUMMARY\|are definitely lost\|^==[0-9]*== \(Invalid\|Conditional\|Use of\|Syscall\|Mismatched\)/,/^==[0-9]*== $/p' \
            "$log" | head -n 200
    fi
done < <(find "$build/Testing/Temporary" -name 'MemoryChecker.*.log' 2>/dev/null | sort -V)
echo "memcheck: $([ $status -eq 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s"
exit "$status"
