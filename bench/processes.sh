#!/usr/bin/env bash
# Whole-process figures, timed by hyperfine: the lister on a simulated rig,
# one worker by itself, and the rig window against the lister:
#   bash bench/processes.sh BUILD [BEFORE]
# BEFORE, an earlier build, adds its lister to the rig's table. Each table is
# hyperfine's Markdown, then each command's CPU time (hyperfine's user +
# system) and peak memory (one run under /usr/bin/time -f %M: the largest
# process of its tree), then the targets. Fails only when a measurement
# cannot be made. $SARVOLIN_BENCH_RUNS sets the runs (default 15).
set -euo pipefail
build="$(cd "$1" && pwd)"
before="${2:-}"
runs="${SARVOLIN_BENCH_RUNS:-15}"
demo="$build/sarvolin-list-demo"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "bench/processes.sh: $*" >&2
    exit 1
}
[ -x "$demo" ] || fail "no sarvolin-list-demo in $build"

# shellcheck source=bench/timed.sh
. "$(dirname "$0")/timed.sh"

# --- The lister on a simulated rig, 20 ms per SDK call that reaches a body --
rig() { # BUILD BODIES OPTION...
    local lister="$1/sarvolin-list-demo" bodies="$2"
    shift 2
    echo "env SARVOLIN_SIMULATED_CAMERAS=$bodies SARVOLIN_SIMULATED_LATENCY_MS=20 $lister --csv $*"
}
for bodies in 1 8 64; do
    # Every row must be there, with an ID and no error.
    rows="$($(rig "$build" $bodies) </dev/null | grep -c ',[0-9]\{12\},.$' || true)"
    [ "$rows" = "$bodies" ] || fail "$bodies simulated bodies gave $rows rows with an ID"
done
lister=(-- "1 body" "$(rig "$build" 1)" "8 bodies" "$(rig "$build" 8)"
    "8 bodies, --jobs 1" "$(rig "$build" 8 --jobs 1)" "64 bodies" "$(rig "$build" 64)")
if [ -n "$before" ] && [ -x "$before/sarvolin-list-demo" ]; then
    lister+=("before: 1 body" "$(rig "$before" 1)" "before: 8 bodies" "$(rig "$before" 8)")
fi
timed "The lister, sarvolin-list-demo --csv, 20 ms per SDK call" "ratio:64 bodies:1 body:1.5" \
    "${lister[@]}"

# --- One worker by itself -------------------------------------------------
# Sent as the lister sends it to a PTP/IP body where nothing listens: the
# connection is refused at once. libgphoto2 keeps its settings under HOME.
home="$work/home"
mkdir "$home"
workers=()
cpu=()
list="$build/sarvolin-list"
if [ -x "$list" ] && [ -x "$build/bench/sarvolin-bench-address" ]; then
    status=0
    HOME="$home" "$list" --csv >/dev/null 2>&1 </dev/null || status=$?
    [ $status = 2 ] || fail "sarvolin-list --csv ended with $status, not 2: is a camera attached?"
    port=ptpip:127.0.0.1:1
    address="$(HOME="$home" "$build/bench/sarvolin-bench-address" "PTP/IP Camera" $port)"
    case "$address" in *"'"*) fail "an address with a quote in it: $address" ;; esac
    answer="$(HOME="$home" "$list-worker" $port "$address" 2>/dev/null </dev/null)"
    [ "$answer" = '{"error":"gone","id":""}' ] ||
        fail "the libgphoto2 worker answered $answer"
    workers+=("libgphoto2, its body gone" "env HOME=$home $list-worker $port '$address'")
    cpu+=("cpu:libgphoto2, its body gone:15")
fi
workers+=("simulated, one body" "env SARVOLIN_SIMULATED_CAMERAS=1 $demo-worker sim:001 sim:001")
timed "One worker by itself" "${cpu[@]}" -- "${workers[@]}"
left="$(find "$home" -mindepth 1 -printf '%P ' 2>/dev/null)"
echo "- left in HOME: ${left:-nothing}"

# --- The rig window, offscreen, 20 ms per SDK call ------------------------
window="$build/bench/sarvolin-bench-rig"
[ -x "$window" ] || exit 0
read -r stall p99 ticks sorts < <(SARVOLIN_SIMULATED_LATENCY_MS=20 "$window" --stall 2>"$work/err") ||
    true
[ -n "${sorts:-}" ] || { cat "$work/err" >&2 && fail "the rig window's stall could not be measured"; }
fields=location,name,model,body_id,battery,shots,lens,firmware,owner,shutter_count,clock_offset_s,check
export SARVOLIN_SIMULATED_LATENCY_MS=20 SARVOLIN_SIMULATED_CAMERAS=150
timed "150 bodies read, the rig window against the lister with its fields" -- \
    window "$window --read 150" lister "$demo --fields $fields"
echo "- the window's UI thread, 32 bodies read and unplugged, sorting and scrolling on every"
echo "  row: longest stall $stall ms (target ≤ 50 ms: $(awk -v s="$stall" \
    'BEGIN { print s <= 50 ? "met" : "not met" }')), 99th-percentile gap $p99 ms," \
    "$ticks ticks, $sorts sorts"
