#!/usr/bin/env bash
# Figures over an MQTT broker: a rig of four computers' agents into one
# reader against one lister reading as many bodies, how soon a reader hears
# that a host is gone, a broker's thousand retained bodies read by the
# lister against mosquitto_sub, and the rig window's UI thread as a thousand
# bodies come in:
#   bash bench/broker.sh BUILD
# Each broker is mosquitto on a free loopback port with a config of its own,
# anonymous, and is stopped with every agent when the script ends. Fails only
# when a measurement cannot be made. $SARVOLIN_BENCH_RUNS sets hyperfine's
# runs (default 15), $SARVOLIN_BENCH_ROUNDS the rounds of the times that end
# in another process and of the window's stalls (default 5).
set -euo pipefail
build="$(cd "$1" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
runs="${SARVOLIN_BENCH_RUNS:-15}"
rounds="${SARVOLIN_BENCH_ROUNDS:-5}"
demo="$build/sarvolin-list-demo"
work="$(mktemp -d)"
started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do
        kill -CONT "$pid" 2>/dev/null || true
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
# ended PID...: stops them and leaves them out of the cleanup.
ended() {
    local pid left=() gone=" $* "
    kill "$@" 2>/dev/null || true
    for pid in "$@"; do wait "$pid" 2>/dev/null || true; done
    for pid in "${started[@]}"; do
        [[ $gone == *" $pid "* ]] || left+=("$pid")
    done
    started=("${left[@]}")
}
fail() {
    echo "bench/broker.sh: $*" >&2
    exit 1
}
[ -x "$demo" ] || fail "no sarvolin-list-demo in $build"
window="$build/bench/sarvolin-bench-rig"
[ -x "$window" ] || fail "no sarvolin-bench-rig in $build/bench"
command -v mosquitto >/dev/null || fail "no mosquitto"

# shellcheck source=bench/timed.sh
. "$here/timed.sh"

# broker NAME: mosquitto on a free port of 127.0.0.1; sets $port and $brokerPid.
broker() {
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0));
print(s.getsockname()[1])')"
    printf 'listener %s 127.0.0.1\nallow_anonymous true\n' "$port" >"$work/$1.conf"
    mosquitto -c "$work/$1.conf" >"$work/$1.log" 2>&1 &
    brokerPid=$!
    started+=("$brokerPid")
    for _ in $(seq 50); do
        grep -q ' running$' "$work/$1.log" && return 0
        kill -0 "$brokerPid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$work/$1.log" >&2
    fail "mosquitto did not start on port $port"
}

# --- A rig of four agents, and hosts gone ---------------------------------
broker rig
local160="env SARVOLIN_SIMULATED_CAMERAS=160 SARVOLIN_SIMULATED_LATENCY_MS=20 $demo --fields all --csv"
rows="$($local160 </dev/null | grep -c ',[0-9]\{12\},,' || true)"
[ "$rows" = 160 ] || fail "160 simulated bodies gave $rows rows with an ID"
hyperfine -N --style none --warmup 2 --runs "$runs" --export-json "$work/local.json" \
    "$local160" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2 && fail "hyperfine could not time the lister on 160 bodies"; }
python3 "$here/brokerevents.py" "$demo" "mqtt://127.0.0.1:$port" "$rounds" "$work/local.json"
ended "$brokerPid"

# --- A broker holding 10 hosts × 100 bodies -------------------------------
broker fleet
url="mqtt://127.0.0.1:$port"
agents=()
for host in $(seq 1 10); do
    # A keepalive long enough that the broker keeps them online while stopped.
    SARVOLIN_SIMULATED_CAMERAS=100 SARVOLIN_SIMULATED_FIRST_ID="$(printf '%09d001' "$host")" \
        "$demo" --publish "$url" --host-name "$(printf 'host%02d' "$host")" --keepalive 3600 \
        --csv >/dev/null 2>>"$work/agents.err" </dev/null &
    agents+=($!)
    started+=($!)
done
# Every body in, and every host's state counting them all.
retained=0
for _ in $(seq 120); do
    mosquitto_sub -h 127.0.0.1 -p "$port" -t 'sarvolin/#' -v --retained-only -W 1 \
        >"$work/retained" 2>/dev/null || true
    retained="$(grep -c '^sarvolin/host[0-9]*/body/' "$work/retained" || true)"
    states="$(grep -c '^sarvolin/host[0-9]*/state .*"bodies":100,.*"online"' "$work/retained" || true)"
    [ "$retained" = 1000 ] && [ "$states" = 10 ] && break
done
if [ "$retained" != 1000 ] || [ "$states" != 10 ]; then
    cat "$work/agents.err" >&2
    fail "the broker holds $retained bodies and $states full states"
fi
# Stopped, the agents neither publish nor take the processor; online all the same.
kill -STOP "${agents[@]}"
status=0
"$demo" --from "$url" --csv >"$work/fleet.csv" </dev/null || status=$?
rows="$(grep -c ',[0-9]\{12\},.$' "$work/fleet.csv" || true)"
if [ "$rows" != 1000 ] || [ $status != 0 ]; then
    fail "sarvolin-list-demo --from printed $rows rows with an ID and ended with $status"
fi
timed "A broker holding 10 hosts × 100 bodies, retained, read once" \
    "ratio:sarvolin-list-demo --from:mosquitto_sub:1.5" "peak:sarvolin-list-demo --from:64" -- \
    "sarvolin-list-demo --from" "$demo --from $url --csv" \
    mosquitto_sub "mosquitto_sub -h 127.0.0.1 -p $port -t 'sarvolin/#' -C 1010"
echo "- sarvolin-list-demo --from printed $rows rows, one for each body"
# Ended by SIGTERM, as by a service manager, they say they are offline.
kill -CONT "${agents[@]}"
ended "${agents[@]}"
ended "$brokerPid"

# --- The rig window, offscreen, 10 hosts × 100 bodies ----------------------
broker window
url="mqtt://127.0.0.1:$port"
# stalls MODE WHAT: $rounds runs of the window; the worst longest stall
# against the target, with the medians.
stalls() {
    local mode="$1" what="$2" stall p99 sorts worst
    : >"$work/stalls"
    for _ in $(seq "$rounds"); do
        sorts=""
        read -r stall p99 _ sorts < <("$window" "$mode" "$url" 2>"$work/err") || true
        [ -n "${sorts:-}" ] ||
            { cat "$work/err" >&2 && fail "the rig window's stall ($mode) could not be measured"; }
        echo "$stall $p99" >>"$work/stalls"
    done
    worst="$(cut -d ' ' -f 1 "$work/stalls" | sort -n | tail -n 1)"
    median() { cut -d ' ' -f "$1" "$work/stalls" | sort -n | sed -n "$(((rounds + 1) / 2))p"; }
    echo "- the rig window over the broker, 1,000 rows from 10 hosts $what, sorted and scrolled"
    echo "  as they come: longest stall $worst ms at worst of $rounds runs (target ≤ 50 ms:" \
        "$(awk -v s="$worst" 'BEGIN { print s <= 50 ? "met" : "not met" }')), median $(median 1) ms;" \
        "99th-percentile gap $(median 2) ms (median)"
}
echo
stalls --broker-stall "arriving while it is connected"
stalls --broker-opened "already on the broker when it opens"
ended "$brokerPid"
