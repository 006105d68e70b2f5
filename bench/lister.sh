#!/usr/bin/env bash
# The lister at rig scale and what one worker costs, as whole processes
# timed by hyperfine, with peak memory from /usr/bin/time:
#   bash bench/lister.sh BUILD [BEFORE]
# BUILD holds sarvolin-list-demo and its worker (and, on libgphoto2,
# sarvolin-list, its worker and bench/sarvolin-bench-address); BEFORE, an
# earlier build whose sarvolin-list is the worker of its day, `--worker PORT`,
# timed in the same run. Prints Markdown tables; fails only when a
# measurement cannot be made. $SARVOLIN_BENCH_RUNS sets the runs (default 15).
set -euo pipefail
build="$(cd "$1" && pwd)"
before="${2:-}"
runs="${SARVOLIN_BENCH_RUNS:-15}"
latency=20
target_ratio=1.5 # 64 bodies against 1
target_cpu_ms=15 # one libgphoto2 worker
# Nothing listens there, so a worker's connection is refused at once.
gone_port=ptpip:127.0.0.1:1

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
home="$work/home"

fail() {
    echo "bench/lister.sh: $*" >&2
    exit 1
}

# hyperfine's JSON as a Markdown table. Arguments: the JSON, the command
# whose median the others are divided by (or ""), a "name=target" for the
# one judged against a ratio or a CPU time, and then name=MiB for each
# command's peak memory.
table() {
    python3 - "$@" <<'EOF'
import json, statistics, sys
results = json.load(open(sys.argv[1]))["results"]
base, judged = sys.argv[2], sys.argv[3]
memory = dict(arg.split("=", 1) for arg in sys.argv[4:])
judged_name, _, judged_target = judged.partition("=")
medians = {r["command"]: statistics.median(r["times"]) for r in results}
header = ["run", "wall time, median (min–max)", "CPU time (user+sys), mean", "peak memory"]
if base:
    header.append("÷ " + base)
header += ["target", "status"]
print("| " + " | ".join(header) + " |")
print("|" + "---|" * len(header))
for r in results:
    name = r["command"]
    wall = "%.1f ms (%.1f–%.1f)" % (medians[name] * 1e3, r["min"] * 1e3, r["max"] * 1e3)
    cpu = (r["user"] + r["system"]) * 1e3
    row = [name, wall, "%.1f ms" % cpu, memory.get(name, "")]
    ratio = medians[name] / medians[base] if base else None
    if base:
        row.append("" if name == base else "×%.2f" % ratio)
    if name == judged_name and base:
        row += ["≤ ×" + judged_target, "met" if ratio <= float(judged_target) else "not met"]
    elif name == judged_name:
        row += ["≤ %s ms of CPU" % judged_target,
                "met" if cpu <= float(judged_target) else "not met"]
    else:
        row += ["", ""]
    print("| " + " | ".join(row) + " |")
EOF
}

# Peak resident memory of one run, in MiB: the largest process of its tree.
peak() {
    /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1 </dev/null || true
    awk '{ printf "%.1f", $1 / 1024 }' "$work/peak"
}

demo="$build/sarvolin-list-demo"
[ -x "$demo" ] && [ -x "$demo-worker" ] || fail "no sarvolin-list-demo and worker in $build"

# --- A simulated rig -------------------------------------------------------
# Every call that reaches a body takes $latency ms; a worker makes three.
rig=(1 8 64 150)
commands=()
for bodies in "${rig[@]}"; do
    # The rows must all be there, each with an ID and no error.
    rows="$(SARVOLIN_SIMULATED_CAMERAS=$bodies SARVOLIN_SIMULATED_LATENCY_MS=$latency \
        "$demo" --csv </dev/null | grep -c ',[0-9]\{12\},.$' || true)"
    [ "$rows" = "$bodies" ] || fail "$bodies simulated bodies gave $rows rows with an ID"
    commands+=(-n "$bodies bodies" "env SARVOLIN_SIMULATED_CAMERAS=$bodies \
SARVOLIN_SIMULATED_LATENCY_MS=$latency $demo --csv")
done
commands+=(-n "8 bodies, --jobs 1" "env SARVOLIN_SIMULATED_CAMERAS=8 \
SARVOLIN_SIMULATED_LATENCY_MS=$latency $demo --csv --jobs 1")
hyperfine -N --style none --warmup 2 --runs "$runs" --export-json "$work/rig.json" \
    "${commands[@]}" >/dev/null

# Every process at its peak at once: the lister's own (the largest of its
# tree) and each worker's, as many as run at the same time.
worker_peak="$(SARVOLIN_SIMULATED_CAMERAS=1 peak "$demo-worker" sim:001 sim:001)"
memory=()
rig_memory() { # NAME BODIES AT-ONCE OPTION...
    local name="$1" bodies="$2" at_once="$3" lister_peak
    shift 3
    lister_peak="$(SARVOLIN_SIMULATED_CAMERAS=$bodies SARVOLIN_SIMULATED_LATENCY_MS=$latency \
        peak "$demo" --csv "$@")"
    memory+=("$name=$(awk -v l="$lister_peak" -v w="$worker_peak" -v n="$at_once" \
        'BEGIN { printf "%.1f MiB (%.1f + %d × %.1f)", l + n * w, l, n, w }')")
}
for bodies in "${rig[@]}"; do
    rig_memory "$bodies bodies" "$bodies" $((bodies < 128 ? bodies : 128))
done
rig_memory "8 bodies, --jobs 1" 8 1 --jobs 1
echo
echo "Lister on a simulated rig (sarvolin-list-demo --csv, default options but the last;"
echo "$latency ms per SDK call that reaches a body): hyperfine, $runs runs each after 2"
echo "warm-up runs. Peak memory: the lister's peak resident memory plus as many"
echo "workers' as run at once, each at its peak (/usr/bin/time -f %M, one run each)."
echo
table "$work/rig.json" "1 bodies" "64 bodies=$target_ratio" "${memory[@]}"

# --- The fields beyond the ID ------------------------------------------------
# The same bodies, the ID alone against every field (and a roster for 8);
# the calls that reach a body are the time the latency adds, divided by it.
roster="$work/roster.csv"
SARVOLIN_SIMULATED_CAMERAS=8 "$demo" --csv >"$roster" </dev/null
run_of() { # LATENCY BODIES OPTION...
    local latency_ms="$1" bodies="$2"
    shift 2
    echo "env SARVOLIN_SIMULATED_CAMERAS=$bodies SARVOLIN_SIMULATED_LATENCY_MS=$latency_ms $demo --csv $*"
}
SARVOLIN_SIMULATED_CAMERAS=8 "$demo" --csv --fields all --expect "$roster" </dev/null |
    grep -q ',ok,100%,' || fail "8 bodies with every field and a roster were not all ok"
hyperfine -N --style none --warmup 2 --runs "$runs" --export-json "$work/fields.json" \
    -n "1 body, ID alone" "$(run_of $latency 1)" \
    -n "1 body, --fields all" "$(run_of $latency 1 --fields all)" \
    -n "1 body, ID alone, no latency" "$(run_of 0 1)" \
    -n "1 body, --fields all, no latency" "$(run_of 0 1 --fields all)" \
    -n "8 bodies, ID alone" "$(run_of $latency 8)" \
    -n "8 bodies, --fields all --expect" "$(run_of $latency 8 --fields all --expect "$roster")" \
    >/dev/null
echo
echo "The fields: the ID alone against --fields all, $latency ms per SDK call that reaches a"
echo "body; calls per body = (median at $latency ms - median with no latency) / $latency ms."
echo "hyperfine, $runs runs each after 2 warm-up runs. (On libgphoto2's EOS path, where the"
echo "goal is at most ×1.2, every field comes from one read of the configuration; no EOS"
echo "body is attached here to time it.)"
echo
python3 - "$work/fields.json" "$latency" <<'EOF'
import json, statistics, sys
results = {r["command"]: statistics.median(r["times"]) for r in json.load(open(sys.argv[1]))["results"]}
latency = float(sys.argv[2]) / 1e3
print("| run | wall time, median | ÷ the ID alone | SDK calls per body |")
print("|---|---|---|---|")
for name, base in [("1 body, ID alone", None), ("1 body, --fields all", "1 body, ID alone"),
                   ("8 bodies, ID alone", None), ("8 bodies, --fields all --expect", "8 bodies, ID alone")]:
    ratio = "×%.2f" % (results[name] / results[base]) if base else ""
    calls = ""
    if name.startswith("1 body"):
        calls = "%.0f" % ((results[name] - results[name + ", no latency"]) / latency)
    print("| %s | %.1f ms | %s | %s |" % (name, results[name] * 1e3, ratio, calls))
EOF

# --- One worker by itself --------------------------------------------------
# Each run on an empty HOME, where libgphoto2 keeps its settings.
commands=()
memory=()
mkdir -p "$home"
list="$build/sarvolin-list"
if [ -x "$list" ] && [ -x "$build/bench/sarvolin-bench-address" ]; then
    status=0
    HOME="$home" "$list" --csv >/dev/null 2>&1 </dev/null || status=$?
    case $status in
    2) ;;
    0 | 1) fail "sarvolin-list found a camera; this times workers with none attached" ;;
    *) fail "sarvolin-list --csv ended with $status, not 2 (no camera found)" ;;
    esac
    address="$(HOME="$home" "$build/bench/sarvolin-bench-address" "PTP/IP Camera" "$gone_port")"
    case "$address" in *"'"*) fail "an address with a quote in it: $address" ;; esac
    answer="$(HOME="$home" "$list-worker" "$gone_port" "$address" 2>/dev/null </dev/null)"
    [ "$answer" = '{"error":"gone before it could be read","id":""}' ] ||
        fail "the libgphoto2 worker answered $answer"
    name="sarvolin-list-worker (libgphoto2), its body gone"
    commands+=(-n "$name" "env HOME=$home $list-worker $gone_port '$address'")
    memory+=("$name=$(HOME="$home" peak "$list-worker" "$gone_port" "$address") MiB")
    judged="$name=$target_cpu_ms"
    if [ -n "$before" ]; then
        answer="$(HOME="$home" "$before/sarvolin-list" --worker "$gone_port" 2>/dev/null </dev/null)"
        case "$answer" in *'"error":"gone before it could be read"'*) ;;
        *) fail "the earlier worker answered $answer" ;;
        esac
        name="before: sarvolin-list --worker (libgphoto2), its body gone"
        commands+=(-n "$name" "env HOME=$home $before/sarvolin-list --worker $gone_port")
        memory+=("$name=$(HOME="$home" peak "$before/sarvolin-list" --worker "$gone_port") MiB")
    fi
else
    judged=""
    echo
    echo "sarvolin-list is not built on libgphoto2 here: no worker through it"
fi
name="sarvolin-list-demo-worker (simulated, no latency)"
commands+=(-n "$name" "env SARVOLIN_SIMULATED_CAMERAS=1 $demo-worker sim:001 sim:001")
memory+=("$name=$(SARVOLIN_SIMULATED_CAMERAS=1 peak "$demo-worker" sim:001 sim:001) MiB")
hyperfine -N --style none --warmup 2 --runs $((runs * 3)) --prepare "sh -c 'rm -rf $home && mkdir $home'" \
    --export-json "$work/worker.json" "${commands[@]}" >/dev/null
left="$(find "$home" -mindepth 1 -printf '%P ' 2>/dev/null)"
echo
echo "One worker by itself, sent to a PTP/IP body that is not there (or, on the simulated"
echo "camera, to one body): process start, camera library, answer, exit. hyperfine, $((runs * 3))"
echo "runs each after 2 warm-up runs, on an empty HOME; peak memory by /usr/bin/time -f %M."
echo "Left in HOME: ${left:-nothing}."
echo
table "$work/worker.json" "" "$judged" "${memory[@]}"
