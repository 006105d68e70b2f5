#!/usr/bin/env bash
# The Windows programs, built and tried here as far as this machine allows:
# Qt for Windows (scripts/qt-windows.sh, built once and cached), the project
# cross-built for 64-bit or 32-bit Windows with its tests, the tests run under
# wine on the offscreen platform, a press on Connect and Read in the real
# window under wine on a virtual X display, and the zip a Windows user unpacks:
#   bash scripts/windows-test.sh [win64|win32] [build-directory]
# (default: win64, in build/<arch>). 32-bit programs run under Debian's
# wine32 where the machine has it, or else under the wine of a 32-bit Debian
# root made once and cached (scripts/wine32-root.sh); on 32-bit, a simulated
# EDSDK.dll built with the wrong calling convention must be refused too.
# Last, over a mosquitto of its own on loopback, the Windows lister meets
# this machine's (build/plain/sarvolin-list-demo, which the test command builds
# first, or $SARVOLIN_LINUX_LISTER) as agent and as reader, and the Windows
# rig window reads a Linux agent.
# Installs what is missing (Debian, as root). Wine runs in a prefix of its
# own, removed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
started=$SECONDS

arch="${1:-win64}"
case "$arch" in
win64) triplet=x86_64-w64-mingw32 cpu=x86_64 package=x86-64 ;;
win32) triplet=i686-w64-mingw32 cpu=i686 package=i686 ;;
*)
    echo "usage: bash scripts/windows-test.sh [win64|win32] [build-directory]" >&2
    exit 2
    ;;
esac
build="${2:-build/$arch}"

# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt) "g++-mingw-w64-$package-posix" \
    wine64 xvfb xauth xdotool xclip unzip mosquitto
scripts/cjk-font.sh
qt="$(bash scripts/qt-windows.sh "$arch")"
mosquitto="$(bash scripts/mosquitto-windows.sh "$arch")"
# This machine's lister, which the Windows one meets over a broker.
linux_lister="${SARVOLIN_LINUX_LISTER:-$root/build/plain/sarvolin-list-demo}"
[ -x "$linux_lister" ] || {
    echo "windows-test: no Linux $linux_lister (build/plain, or SARVOLIN_LINUX_LISTER)" >&2
    exit 1
}

# Debian's wine keeps its programs out of PATH: wine64 for 64-bit programs;
# for 32-bit ones, Debian's wine32 where the machine has it (multiarch), or
# else the wine of a 32-bit Debian root, made once and cached, which leaves
# the machine's own packages alone (scripts/wine32-root.sh).
if [ "$arch" = win64 ]; then
    wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
elif [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    wine=/usr/lib/wine/wine
else
    bash scripts/wine32-root.sh >/dev/null
    wine="$root/scripts/wine32/wine"
fi
jobs="$(nproc 2>/dev/null || echo 2)"

echo "== cross-build for $triplet =="
# A build configured against another Qt build (an older recipe) starts afresh:
# CMake would keep finding that one.
if [ -f "$build/CMakeCache.txt" ] && ! grep -qF "$qt" "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$cpu.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
    -DSARVOLIN_MOSQUITTO_PREFIX="$mosquitto" \
    "-DSARVOLIN_WINE${arch#win}=$wine" >/dev/null
cmake --build "$build" --parallel "$jobs"
build="$(cd "$build" && pwd)"

work="$(mktemp -d)"
started_pids=()
cleanup() {
    for pid in "${started_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The zip, unpacked as a Windows user would, holding every program.
unpack_zip() {
    (cd "$build" && cpack -G ZIP >/dev/null)
    zip="$build/sarvolin-1.1.0-$arch.zip"
    [ -f "$zip" ] || { echo "windows-test: $zip was not made" >&2; exit 1; }
    rm -rf "$work/unpacked"
    unzip -q "$zip" -d "$work/unpacked"
    stage="$work/unpacked/sarvolin-1.1.0-$arch"
    for file in sarvolin.exe sarvolin-demo.exe sarvolin-list.exe sarvolin-list-demo.exe \
        sarvolin-list-worker.exe sarvolin-list-demo-worker.exe sarvolin-rig.exe sarvolin-rig-demo.exe \
        Qt5Core.dll libmosquitto.dll platforms/qwindows.dll LICENSE README.txt; do
        [ -f "$stage/$file" ] || { echo "windows-test: the zip lacks $file" >&2; exit 1; }
    done
    echo "$zip: $(stat -c %s "$zip") bytes"
}

export WINE="$wine"
# Wine keeps its server's socket in a new folder under TMPDIR on every run.
mkdir -p "$work/tmp"
export TMPDIR="$work/tmp"

# A wine of our own; its programs find Qt and the compiler's runtime on its
# path, and the tests Qt's plugins.
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH="$arch"
"$wine" wineboot --init >/dev/null 2>&1
# One wine server for the whole run, started once the prefix is set up: a
# program started just as an idle server shuts down can fail to start.
"$(dirname "$wine")/wineserver" -w
"$(dirname "$wine")/wineserver" -p
runtime_dirs=("$qt/bin" "$mosquitto/bin" "$(dirname "$("$triplet-g++-posix" -print-file-name=libstdc++-6.dll)")"
    "/usr/$triplet/lib")
winepath_list=""
for dir in "${runtime_dirs[@]}"; do
    winepath_list+="$("$wine" winepath -w "$dir" 2>/dev/null);"
done
export WINEPATH="$winepath_list"
# Qt's offscreen platform on Windows reads its fonts from one folder, not
# from the system: the fonts a Linux desktop here has, DejaVu Sans and the
# CJK font of the run command, copied where a 32-bit root sees them too.
mkdir -p "$work/fonts"
while IFS= read -r font; do
    cp -L "$font" "$work/fonts/"
done < <(fc-list 'DejaVu Sans' file | cut -d: -f1; fc-list :lang=zh-cn file | cut -d: -f1)
fontdir="$("$wine" winepath -w "$work/fonts")"
export WINEQT_QPA_FONTDIR="$fontdir"

echo "== tests under wine (offscreen) =="
# Wine now and then fails to start a program at all (a test that ends in no
# time with no output); a test that fails twice fails.
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 \
    --repeat until-pass:2) | tee "$work/ctest.log"
tests="$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$work/ctest.log")"

echo "== the zip =="
unpack_zip

echo "== a press in the real window, under wine =="
# Console programs run under wine (the lister's tests start several) leave
# wine's desktop process, started without a display, alive for some seconds,
# and a window started meanwhile never shows.
for _ in $(seq 30); do
    pgrep -f 'explorer\.exe' >/dev/null || break
    sleep 1
done
# The simulated camera stands in for the camera maker's library.
cp "$build/tests/windows/EDSDK.dll" "$stage/"
export WINEPATH="" # the program brings everything it needs, as on Windows
unset WINEQT_QPA_FONTDIR # and uses the system's fonts
cat >"$work/press.sh" <<'END'
set -u
stage="$1"
expect="$2"
"$WINE" "$stage/sarvolin.exe" >"$stage/../sarvolin.log" 2>&1 &
pid=$!
fail() {
    echo "press: $*"
    kill "$pid" 2>/dev/null
    exit 1
}
# Polled rather than waited for: wine makes and drops windows while a program
# starts, and a search that meets one being dropped dies of an X error.
find_window() { # title pattern
    local found=""
    for _ in $(seq 60); do
        found="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)"
        [ -n "$found" ] && break
        sleep 1
    done
    echo "$found"
}
window="$(find_window '^SarvolinV1\.1\.0$')"
[ -n "$window" ] || fail "no window titled SarvolinV1.1.0"
# Keys, not clicks: wine takes real key events reliably. The ID field has
# the focus; Tab goes past the disabled path field to the connect button.
xdotool windowfocus --sync "$window"
sleep 1
xdotool key Tab space
if [ "$expect" = id ]; then
    for _ in $(seq 30); do
        sleep 1
        xdotool windowfocus --sync "$window" key shift+Tab ctrl+a ctrl+c
        id="$(timeout 5 xclip -selection clipboard -o 2>/dev/null)"
        [ "$id" = 083021004517 ] && break
    done
    [ "$id" = 083021004517 ] || fail "the window shows no ID (clipboard: '${id:-}')"
    echo "press: the window shows $id"
else
    box="$(find_window '^Error$')"
    [ -n "$box" ] || fail "no error box"
    kill -0 "$pid" 2>/dev/null || fail "the program ended"
    # A message box copies its title and text.
    sleep 1
    xdotool windowfocus --sync "$box" key ctrl+c
    text="$(timeout 5 xclip -selection clipboard -o 2>/dev/null)"
    grep -qF "$expect" <<<"$text" || fail "the box says: ${text:-nothing}"
    xdotool windowfocus --sync "$box" key Return
    sleep 2
    kill -0 "$pid" 2>/dev/null || fail "the program ended after the box"
    echo "press: a box said \"$expect\", and the program lives on"
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit 0
END
press() { # id, or the text the error box must hold
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/press.sh" "$stage" "$1"
}
press id
rm "$stage/EDSDK.dll"
press 'Camera connection failed'
# A library whose functions leave their arguments on the stack is refused at
# its first call with some, listing the cameras: never a right-looking ID.
if [ "$arch" = win32 ]; then
    cp "$build/tests/windows/cdecl/EDSDK.dll" "$stage/"
    press 'Camera not detected'
    rm "$stage/EDSDK.dll"
fi

echo "== sarvolin-list.exe on the simulated camera, under wine =="
# After the presses: a console program leaves wine's desktop process, started
# without a display, running for some seconds, and a window started meanwhile
# never shows. Wine passes SARVOLIN_ variables on as they are (QT_ ones only as WINEQT_).
# Compared byte for byte: CSV lines end in one CR LF, not in CR CR LF.
list_run() { # rig, expected status, arguments...
    local rig="$1" expect="$2" status=0 from=$SECONDS
    shift 2
    SARVOLIN_SIMULATED_CAMERAS="$rig" "$wine" "$stage/sarvolin-list.exe" "$@" \
        >"$work/list.out" 2>"$work/list.err" || status=$?
    if [ "$status" != "$expect" ]; then
        cat "$work/list.err" >&2
        echo "windows-test: sarvolin-list.exe $* on '$rig' ended with $status, not $expect" >&2
        exit 1
    fi
    list_took=$((SECONDS - from))
}
list_expect() { # the CSV lines expected after the usual header, without their line ends
    list_expect_fields port,location,model,body_id,error "$@"
}
list_expect_fields() { # the header, then the CSV lines expected
    printf '%s\r\n' "$@" >"$work/list.want"
    if ! cmp -s "$work/list.out" "$work/list.want"; then
        od -c "$work/list.out" | head -n 20 >&2
        echo "windows-test: sarvolin-list.exe printed the above, not $*" >&2
        exit 1
    fi
}
list_run 3 69 --csv
echo "sarvolin-list.exe without EDSDK.dll: status 69"
if [ "$arch" = win32 ]; then
    cp "$build/tests/windows/cdecl/EDSDK.dll" "$stage/"
    list_run 3 69 --csv
    grep -q 'do not use the __stdcall convention' "$work/list.err" || {
        cat "$work/list.err" >&2
        echo "windows-test: sarvolin-list.exe did not say why a cdecl EDSDK.dll was refused" >&2
        exit 1
    }
    echo "sarvolin-list.exe with a cdecl EDSDK.dll: refused, status 69"
fi
cp "$build/tests/windows/EDSDK.dll" "$stage/"
list_run 3 0 --csv
list_expect "sim:001,,Simulated camera,083021004517," "sim:002,,Simulated camera,083021004518," \
    "sim:003,,Simulated camera,083021004519,"
echo "sarvolin-list.exe: three bodies read in $list_took s"
list_run ok,refuse,ok 1 --csv
list_expect "sim:001,,Simulated camera,083021004517," "sim:002,,Simulated camera,,session refused" \
    "sim:003,,Simulated camera,083021004519,"
echo "sarvolin-list.exe: the refusing body's row says so, status 1, in $list_took s"
# A pre-flight check through the maker's interface: fields, a roster with one
# body missing, one moved and one not on it, a low battery, and the clocks
# set (the drifted one's too). Our own shutter count id never reaches the
# DLL, so that column stays empty.
printf 'body_id,name,port\r\n083021004517,Top,sim:001\r\n083021004518,Left,sim:003\r\n083021009999,Spare,\r\n' \
    >"$work/rig.csv"
list_run ok,drifted,ok,low-battery 1 --csv --set-clock --min-battery 30 \
    --expect "$("$wine" winepath -w "$work/rig.csv" 2>/dev/null)" \
    --fields port,body_id,name,check,battery,shutter_count,clock_offset_s
list_expect_fields port,body_id,name,check,battery,shutter_count,clock_offset_s \
    ",083021009999,Spare,missing,,," "sim:001,083021004517,Top,ok,100%,,0" \
    "sim:002,083021004518,Left,moved (roster: sim:003),87%,,0" \
    "sim:003,083021004519,,unknown,74%,,0" \
    "sim:004,083021004520,,unknown; battery low (15%),15%,,0"
grep -q 'sarvolin-list: 1 missing, 1 moved, 2 unknown, 1 battery low' "$work/list.err" || {
    cat "$work/list.err" >&2
    echo "windows-test: sarvolin-list.exe did not sum up the pre-flight check" >&2
    exit 1
}
echo "sarvolin-list.exe: a pre-flight check with a roster and the clocks set, status 1, in $list_took s"

echo "== over a broker: Windows and Linux listers, under wine =="
# Linux's mosquitto on a free loopback port, with a configuration of our own.
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
# Its log names each subscription, for the rig window's check.
printf 'listener %s 127.0.0.1\nallow_anonymous true\nlog_dest stderr\n' "$port" >"$work/mosquitto.conf"
printf 'log_type %s\n' error warning notice information subscribe >>"$work/mosquitto.conf"
mosquitto_bin="$(command -v mosquitto || echo /usr/sbin/mosquitto)"
"$mosquitto_bin" -c "$work/mosquitto.conf" >"$work/mosquitto.log" 2>&1 &
started_pids+=($!)
url="mqtt://127.0.0.1:$port"
for _ in $(seq 50); do
    grep -qs 'Opening ipv4 listen socket' "$work/mosquitto.log" && break
    sleep 0.1
done
# An agent runs until its input closes, as a script ends its watch.
agent_start() { # name, then the command
    local name="$1"
    shift
    rm -f "$work/$name.in"
    mkfifo "$work/$name.in"
    "$@" <"$work/$name.in" >"$work/$name.out" 2>"$work/$name.err" &
    agent_pid=$!
    started_pids+=("$agent_pid")
    exec 7>"$work/$name.in"
}
agent_stop() { # name
    exec 7>&-
    local status=0
    for _ in $(seq 300); do
        kill -0 "$agent_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$agent_pid" 2>/dev/null; then
        kill "$agent_pid"
        echo "windows-test: the $1 agent did not end when its input closed" >&2
        exit 1
    fi
    wait "$agent_pid" || status=$?
    [ "$status" = 0 ] || {
        cat "$work/$1.err" >&2
        echo "windows-test: the $1 agent ended with $status" >&2
        exit 1
    }
}
# Reads until the table is the one expected: the agent publishes a little after it starts.
read_back() { # reader command...; compared with $work/from.want
    for _ in $(seq 60); do
        "$@" >"$work/from.out" 2>"$work/from.err" || true
        cmp -s "$work/from.out" "$work/from.want" && return 0
        sleep 0.5
    done
    od -c "$work/from.out" | head -n 20 >&2
    cat "$work/from.err" >&2
    echo "windows-test: $* printed the above, not $(cat "$work/from.want")" >&2
    exit 1
}
from_fields=host,port,location,model,body_id,error # a reader's default
printf '%s\r\n' "$from_fields" "win,sim:001,,Simulated camera,083021004517," \
    "win,sim:002,,Simulated camera,083021004518," "win,sim:003,,Simulated camera,083021004519," \
    >"$work/from.want"
agent_start win env SARVOLIN_SIMULATED_CAMERAS=3 "$wine" "$stage/sarvolin-list.exe" \
    --publish "$url" --host-name win
read_back "$linux_lister" --from "$url" --csv
agent_stop win
# Ended (agent_stop waits for its process), it leaves its host offline.
"$linux_lister" --from "$url" --csv --fields body_id,check >"$work/from.out" 2>&1 || true
grep -q '^win,083021004517,host offline since ' "$work/from.out" || {
    cat "$work/from.out" >&2
    echo "windows-test: the stopped Windows agent's host is not offline" >&2
    exit 1
}
printf '%s\r\n' "$from_fields" "linux,sim:001,,Simulated camera,000000001001," \
    "linux,sim:002,,Simulated camera,000000001002," >"$work/from.want"
agent_start linux env SARVOLIN_SIMULATED_CAMERAS=2 SARVOLIN_SIMULATED_FIRST_ID=000000001001 \
    "$linux_lister" --publish "$url" --host-name linux --topic-prefix other
read_back "$wine" "$stage/sarvolin-list.exe" --from "$url" --csv \
    --topic-prefix other
agent_stop linux
echo "over a broker: a Windows agent read by Linux, a Linux agent read by Windows, each stopped cleanly"

echo "== the rig window over a broker, under wine =="
# The zip carries only the windows platform, on which wine without a display
# makes no window: the window runs on the offscreen platform of the Qt build.
# Qt's warnings go to stderr (in CR LF lines), which must hold nothing but
# that platform's note that it sizes no window frames.
rig_started=$SECONDS
agent_start linux-rig env SARVOLIN_SIMULATED_CAMERAS=2 SARVOLIN_SIMULATED_FIRST_ID=000000002001 \
    "$linux_lister" --publish "$url" --host-name linux-rig
rig_log_from=$(($(wc -l <"$work/mosquitto.log") + 1))
WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1 WINEQT_QPA_FONTDIR="$fontdir" \
    WINEQT_QPA_PLATFORM_PLUGIN_PATH="$("$wine" winepath -w "$qt/plugins/platforms" 2>/dev/null)" \
    "$wine" "$stage/sarvolin-rig.exe" --broker "$url" >"$work/rig.out" 2>"$work/rig.err" &
rig_pid=$!
started_pids+=("$rig_pid")
# Every topic the window's client subscribed to, in order: the client is the
# one that asked for every host's bodies, as no other does from here on.
rig_subscriptions() {
    tail -n +"$rig_log_from" "$work/mosquitto.log" | awk '
        NF == 4 && $3 ~ /^[0-2]$/ && $4 == "sarvolin/+/body/+" && id == "" { id = $2 }
        NF == 4 && $3 ~ /^[0-2]$/ { client[NR] = $2; topic[NR] = $4 }
        END { for (n = 1; n <= NR; n++) if (n in client && client[n] == id) print topic[n] }'
}
rig_fail() {
    tail -n +"$rig_log_from" "$work/mosquitto.log" >&2
    cat "$work/rig.err" >&2
    echo "windows-test: sarvolin-rig.exe --broker $*" >&2
    exit 1
}
# The second subscription goes out only once the broker has answered the
# first: the window's reader at work, not the client library alone.
rig_want="$(printf '%s\n' 'sarvolin/+/state' 'sarvolin/+/body/+' 'sarvolin/+/state')"
for _ in $(seq 60); do
    [ "$(rig_subscriptions)" = "$rig_want" ] && break
    kill -0 "$rig_pid" 2>/dev/null || rig_fail "ended at its start"
    sleep 0.5
done
[ "$(rig_subscriptions)" = "$rig_want" ] || rig_fail "did not subscribe to every host's state and bodies, then to the states again"
sleep 3
kill -0 "$rig_pid" 2>/dev/null || rig_fail "ended within 3 s of subscribing"
[ "$(rig_subscriptions)" = "$rig_want" ] || rig_fail "subscribed again within 3 s (a lost connection?)"
if tr -d '\r' <"$work/rig.err" | grep -vqxF 'This plugin does not support propagateSizeHints()'; then
    rig_fail "wrote the above to stderr"
fi
# Under wine, SIGTERM ends a program outright, with no close event: fine for
# a window that publishes nothing and leaves no will, whose dropped
# connection the broker simply forgets.
kill "$rig_pid"
wait "$rig_pid" 2>/dev/null || true
agent_stop linux-rig
echo "over a broker: sarvolin-rig.exe subscribed to every host, then again once answered, and ran 3 s with a clean stderr, in $((SECONDS - rig_started)) s"

echo "windows-test: $arch programs started under $wine: $tests tests passed, a press, the lister's runs, a broker's and the rig window's"
echo "windows-test: passed in $((SECONDS - started)) s"
