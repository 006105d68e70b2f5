#!/usr/bin/env bash
# The rig window on simulated bodies (bench/sarvolin-bench-rig, offscreen):
#   bash bench/rig.sh BUILD
# its UI thread's stalls, a whole read of 150 bodies against the lister's
# (hyperfine) and its peak memory (/usr/bin/time). Prints a Markdown table;
# fails only when a measurement cannot be made. $SARVOLIN_BENCH_RUNS sets
# the runs (default 5).
set -euo pipefail
build="$(cd "$1" && pwd)"
runs="${SARVOLIN_BENCH_RUNS:-5}"
rig="$build/bench/sarvolin-bench-rig"
demo="$build/sarvolin-list-demo"
fields=location,name,model,body_id,battery,shots,lens,firmware,owner,shutter_count,clock_offset_s,check
export SARVOLIN_SIMULATED_LATENCY_MS=20
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
touch "$work/err"
fail() {
    cat "$work/err" >&2
    echo "bench/rig.sh: $*" >&2
    exit 1
}
[ -x "$rig" ] || fail "no bench/sarvolin-bench-rig in $build"
[ -x "$demo" ] || fail "no sarvolin-list-demo in $build"

read -r stall p99 ticks sorts < <("$rig" --stall 2>"$work/err") || true
[ -n "${sorts:-}" ] || fail "the stall run could not measure"
SARVOLIN_SIMULATED_CAMERAS=150 /usr/bin/time -f %M -o "$work/peak" "$rig" --read 150 \
    </dev/null 2>"$work/err" || fail "the window did not read 150 bodies"
hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$work/read.json" \
    -n window "env SARVOLIN_SIMULATED_CAMERAS=150 $rig --read 150" \
    -n lister "env SARVOLIN_SIMULATED_CAMERAS=150 $demo --fields $fields" >/dev/null 2>"$work/err" ||
    fail "hyperfine could not time the 150 bodies"

echo
echo "The rig window, offscreen, 20 ms per SDK call (bench/README.md): UI-thread stall over"
echo "$ticks ticks and $sorts sorts; 150 bodies read, hyperfine, $runs runs after 1 warm-up."
echo
python3 - "$work/read.json" "$stall" "$p99" "$(cat "$work/peak")" <<'PY'
import json, statistics, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
median = {name: statistics.median(r["times"]) * 1e3 for name, r in runs.items()}
stall, p99, peak = float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4]) / 1024
print("| figure | measured | target | status |")
print("|---|---|---|---|")
print("| UI thread, longest stall | %.1f ms | ≤ 50 ms | %s |" % (stall, "met" if stall <= 50 else "not met"))
print("| UI thread, gap at 99th percentile | %.1f ms | | |" % p99)
for name in ("window", "lister"):
    r = runs[name]
    print("| 150 bodies read, %s | %.1f ms (%.1f–%.1f) | | |"
          % (name, median[name], r["min"] * 1e3, r["max"] * 1e3))
print("| window ÷ lister, medians | ×%.2f | | |" % (median["window"] / median["lister"]))
print("| window's peak memory, 150 rows | %.1f MiB | | |" % peak)
PY
