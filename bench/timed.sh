# shellcheck shell=bash
# Sourced by the whole-process figures; the caller sets $runs and $work and
# defines fail.
#
# timed TITLE TARGET... -- NAME COMMAND...: one hyperfine run over the
# commands. A target is "ratio:NAME:BASE:MAX" (medians), "cpu:NAME:MS" or
# "peak:NAME:MIB".
timed() {
    local title="$1" targets=() names=() commands=() args=() i
    shift
    while [ "$1" != -- ]; do targets+=("$1") && shift; done
    shift
    while [ $# -gt 0 ]; do names+=("$1") && commands+=("$2") && args+=(-n "$1" "$2") && shift 2; done
    hyperfine -N --style none --warmup 2 --runs "$runs" --export-json "$work/t.json" \
        --export-markdown "$work/t.md" "${args[@]}" >/dev/null 2>"$work/err" ||
        { cat "$work/err" >&2 && fail "hyperfine could not time: $title"; }
    for i in "${!commands[@]}"; do
        eval "/usr/bin/time -f %M -o '$work/peak.$i' ${commands[$i]}" >/dev/null 2>&1 </dev/null || true
    done
    printf '\n## %s\n\nhyperfine, %s runs each after 2 warm-up runs:\n\n' "$title" "$runs"
    cat "$work/t.md"
    echo
    python3 - "$work" "${targets[@]}" <<'EOF'
import json, sys
work, targets = sys.argv[1], sys.argv[2:]
results = json.load(open(work + "/t.json"))["results"]
runs = {r["command"]: r for r in results}
peaks = {}
for i, r in enumerate(results):
    peak = open("%s/peak.%d" % (work, i)).read().split()
    peaks[r["command"]] = int(peak[-1]) / 1024 if peak and peak[-1].isdigit() else None
    shown = "not measured" if peaks[r["command"]] is None else "%.1f MiB" % peaks[r["command"]]
    print("- %s: CPU time %.1f ms (user + system, mean), peak memory %s"
          % (r["command"], (r["user"] + r["system"]) * 1e3, shown))
for target in targets:
    kind, name, *rest = target.split(":")
    limit = float(rest[-1])
    if kind == "ratio":
        value = runs[name]["median"] / runs[rest[0]]["median"]
        text = "%s ÷ %s, medians: ×%.2f, target ≤ ×%g" % (name, rest[0], value, limit)
        met = value <= limit
    elif kind == "peak":
        value = peaks[name]
        shown = "not measured" if value is None else "%.1f MiB" % value
        text = "%s, peak memory: %s, target < %g MiB" % (name, shown, limit)
        met = value is not None and value < limit
    else:
        value = (runs[name]["user"] + runs[name]["system"]) * 1e3
        text = "%s, CPU time: %.1f ms, target ≤ %g ms" % (name, value, limit)
        met = value <= limit
    print("- %s: %s" % (text, "met" if met else "not met"))
EOF
}

