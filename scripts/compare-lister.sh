#!/usr/bin/env bash
# Runs the demo lister of two builds through the same cases on simulated rigs
# and says, case by case, whether both printed the same stdout and stderr and
# ended with the same status. The bodies' clock times are masked: two runs
# seconds apart cannot agree on them.
#
#   bash scripts/compare-lister.sh BUILD_A BUILD_B
#
# BUILD_A and BUILD_B are build directories holding sarvolin-list-demo and
# sarvolin-list-demo-worker, at the top or in a subfolder. Exit status: 0 all
# cases the same, 1 some differ, 2 bad usage.
set -euo pipefail

usage() {
    echo "usage: bash $0 BUILD_A BUILD_B" >&2
    exit 2
}

# The shallowest executable NAME under DIR; more than one there is ambiguous.
program_in() {
    local dir=$1 name=$2 found
    found=$(find "$dir" -maxdepth 3 -name "$name" -type f -perm -u+x -printf '%d %p\n' \
        | sort -n | awk 'NR == 1 { depth = $1 } $1 == depth { sub(/^[0-9]+ /, ""); print }')
    if [[ -z $found ]]; then
        echo "$0: no $name in $dir" >&2
        return 1
    fi
    if [[ $found == *$'\n'* ]]; then
        echo "$0: more than one $name in $dir:" >&2
        echo "$found" >&2
        return 1
    fi
    printf '%s\n' "$found"
}

[[ $# -eq 2 && -d $1 && -d $2 ]] || usage
programs=()
for build in "$1" "$2"; do
    # The lister starts its worker itself; without one every case would just
    # compare two identical complaints.
    program_in "$build" sarvolin-list-demo-worker >/dev/null || exit 2
    program=$(program_in "$build" sarvolin-list-demo) || exit 2
    programs+=("$program")
done

work=$(mktemp -d "${TMPDIR:-/tmp}/compare-lister.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Run after the case in hand has ended, so the EXIT trap removes a quiet folder.
trap 'exit 130' INT
trap 'exit 143' TERM
mkdir "$work/home" "$work/tmp"

prog= # the program of the side being run

# lister RIG ARG...: the program on a simulated rig, in an environment of its
# own so that nothing from the caller's (a latency, a session log) leaks in.
# The time limit only keeps a broken build from stopping the comparison.
lister() {
    local rig=$1
    shift
    timeout --foreground -k 5 60 env -i PATH=/usr/bin:/bin HOME="$work/home" TMPDIR="$work/tmp" \
        LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen SARVOLIN_SIMULATED_CAMERAS="$rig" \
        ${latency:+SARVOLIN_SIMULATED_LATENCY_MS="$latency"} "$prog" "$@"
}
latency=

# Replaced whole, so that the lister never reads a half-written rig.
plug() {
    printf '%s\n' "$1" >"$work/rig.new"
    mv -f "$work/rig.new" "$work/rig"
}

# Bodies plugged in and pulled one at a time, each change seen at two or three
# of the lister's looks (every 0.5 s) and read before the next; then its
# input is closed, which ends the watch.
plugging() {
    local sockets
    for sockets in "ok no-id" "- no-id" "ok no-id" "ok no-id low-battery" "ok - low-battery"; do
        sleep 1.5
        plug "$sockets"
    done
    sleep 1.5
}

cat >"$work/roster.csv" <<'EOF'
port,body_id,name
sim:001,083021004517,Top
sim:002,083021004518,Left
sim:003,083021004519,Right
sim:006,083021004521,Bottom
sim:007,083021009999,Spare
EOF

case_table() { lister 3; }
case_csv_with_failures() { lister ok,refuse,no-id,gone,-,ok --csv; }
case_json_all_fields() { lister ok,drifted,bare,mains,battery-word --json --fields all; }
# sim:002 low, sim:003 nearly full, sim:004 unknown, sim:005 moved, Spare missing.
case_roster_and_thresholds() {
    lister ok,low-battery,nearly-full,ok,ok --expect "$work/roster.csv" --min-battery 30 --min-shots 20
}
case_none_found() { lister -; }
case_bad_jobs() { lister 2 --jobs 0; }
case_unknown_field() { lister 2 --csv --fields port,serial; }
case_hang_timeout() { lister ok,hang,ok --timeout 1; }
case_set_clock() { lister drifted,ok,bare --set-clock --fields port,body_id,clock,clock_offset_s; }
case_roster_missing() { lister 2 --expect /nonexistent.csv; }
case_verbose() { lister ok,gone,refuse --verbose; }
case_one_job_at_a_time() {
    latency=100
    lister 4 --csv --jobs 1
}
case_watch_plugging() {
    plug ok
    plugging | lister "@$work/rig" --watch --csv
}
cases=(table csv_with_failures json_all_fields roster_and_thresholds none_found bad_jobs
    unknown_field hang_timeout set_clock roster_missing verbose one_job_at_a_time watch_plugging)

# As wide as the time it hides, so that a table's columns stay as they were.
mask_clocks() {
    sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\.[0-9]+)?(Z|[+-][0-9]{2}:?[0-9]{2})?/YYYY-MM-DDThh:mm:ss/g' "$1"
}

same=0
for name in "${cases[@]}"; do
    for side in a b; do
        prog=${programs[0]}
        [[ $side == a ]] || prog=${programs[1]}
        out=$work/$side
        mkdir -p "$out"
        status=0
        # A subshell, so that a case's settings do not outlive it.
        ("case_$name" >"$out/raw-stdout" 2>"$out/raw-stderr" </dev/null) || status=$?
        echo "$status" >"$out/status"
        mask_clocks "$out/raw-stdout" >"$out/stdout"
        mask_clocks "$out/raw-stderr" >"$out/stderr"
    done
    differs=()
    for stream in stdout stderr status; do
        cmp -s "$work/a/$stream" "$work/b/$stream" || differs+=("$stream")
    done
    if ((${#differs[@]} == 0)); then
        echo "same: $name"
        same=$((same + 1))
        continue
    fi
    echo "DIFFERENT: $name"
    for stream in "${differs[@]}"; do
        diff -u --text --label "A $stream" --label "B $stream" "$work/a/$stream" "$work/b/$stream" || true
    done
done

echo "$same of ${#cases[@]} cases the same"
[[ $same -eq ${#cases[@]} ]] || exit 1
