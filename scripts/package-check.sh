#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh builds (or the one given):
# lintian, the desktop entry and AppStream validators, the icons against the
# code that drew them, `cmake --install` against the package's contents; then,
# as root, installs it with apt-get, starts /usr/bin/sarvolin and
# /usr/bin/sarvolin-rig-demo under Xvfb until their windows show, purges it
# and checks that none of its files remain.
# Whatever the install pulled in is removed again. Fails on any problem:
#   bash scripts/package-check.sh [package.deb]
# The install rules compared are those of $SARVOLIN_BUILD_DIR (default:
# build/package), where scripts/package.sh builds.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
started=$SECONDS

# shellcheck disable=SC2046
scripts/deps.sh $(grep -hv '^#' scripts/build-deps.txt) lintian desktop-file-utils appstream \
    xvfb xauth xdotool

if [ $# -gt 0 ]; then
    deb="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
else
    deb="$(bash scripts/package.sh | tail -n 1)"
fi
build="${SARVOLIN_BUILD_DIR:-build/package}"
app_id=org.sarvolin.Sarvolin
rig_app_id=org.sarvolin.SarvolinRig

work="$(mktemp -d)"
installed=0
pulled=()
cleanup() {
    # A check stopped half-way still leaves the machine as it found it.
    if [ "$installed" = 1 ]; then
        apt-get purge -y -qq -o DPkg::Lock::Timeout=300 sarvolin >/dev/null || true
    fi
    if [ ${#pulled[@]} -gt 0 ]; then
        apt-get purge -y -qq -o DPkg::Lock::Timeout=300 "${pulled[@]}" >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failed=0
fail() {
    echo "package-check: $*" >&2
    failed=1
}

echo "== lintian: $deb =="
# Overridden tags are shown (as O:) but only E: and W: count; with the
# overrides shown, lintian's own --fail-on would count them too.
lintian --fail-on none --show-overrides "$deb" >"$work/lintian.log" 2>&1 || fail "lintian failed to run"
grep -v '^running with root privileges' "$work/lintian.log" || true
if grep -q '^[EW]: ' "$work/lintian.log"; then
    fail "lintian reports errors or warnings"
fi

echo "== desktop entry and AppStream metadata =="
dpkg-deb -x "$deb" "$work/root"
for id in "$app_id" "$rig_app_id"; do
    desktop="$work/root/usr/share/applications/$id.desktop"
    out="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate failed on $id"
    [ -z "$out" ] || echo "$out"
    if grep -q 'error:\|warning:' <<<"$out"; then
        fail "desktop entry $id: errors or warnings"
    fi
    [ -f "$work/root/usr/share/metainfo/$id.metainfo.xml" ] || fail "no AppStream metadata for $id"
done
# The tree, not the file alone: the launchable must name an entry that is there.
appstreamcli validate-tree --no-net "$work/root" || fail "AppStream metadata not valid"

echo "== icons =="
python3 resources/draw_icons.py "$work" >/dev/null
python3 resources/draw_icons.py --rig "$work" >/dev/null
for icon in resources/carema_icon_normal.png resources/icon.png rig/rig-icon.png; do
    if cmp "$work/$(basename "$icon")" "$icon"; then
        echo "$icon: drawn again, identical"
    else
        fail "$icon differs from what draw_icons.py draws"
    fi
done
for id in "$app_id" "$rig_app_id"; do
    for size in 16 32 48 64 128 256; do
        png="$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
        # Width and height are the first two words of the IHDR chunk.
        dims="$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null |
            awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')"
        [ "$dims" = "${size}x$size" ] || fail "$png is ${dims:-missing}"
    done
    [ -f "$work/root/usr/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon for $id"
done
if cmp -s "$work/root/usr/share/icons/hicolor/256x256/apps/$app_id.png" \
          "$work/root/usr/share/icons/hicolor/256x256/apps/$rig_app_id.png"; then
    fail "the rig window's theme icon is the camera's"
fi

echo "== cmake --install against the package =="
DESTDIR="$work/install" cmake --install "$build" --strip >/dev/null || fail "cmake --install failed"
if ! diff <(cd "$work/install" && find . -mindepth 1 | sort) \
          <(cd "$work/root" && find . -mindepth 1 | sort); then
    fail "cmake --install and the package hold different files"
else
    echo "same files"
fi

# The processes whose program lies under the folder $1.
running_from() {
    local exe
    for exe in /proc/[0-9]*/exe; do
        case "$(readlink "$exe" 2>/dev/null)" in
        "$1"*) exe="${exe%/exe}" && echo "${exe#/proc/}" ;;
        esac
    done
}

# Installs the package, starts the program and purges the package again.
install_start_purge() {
    local plan changes files path left
    if ! plan="$(apt-get install -s -o Debug::NoLocking=1 "$deb" 2>&1)"; then
        echo "$plan"
        fail "apt-get cannot install the package"
        return
    fi
    changes="$(grep '^Inst [^ ]* \[\|^Remv ' <<<"$plan" || true)"
    if [ -n "$changes" ]; then
        echo "skipped: installing would upgrade or remove packages, which cannot be undone:"
        echo "$changes"
        return
    fi
    mapfile -t pulled < <(sed -n 's/^Inst \([^ ]*\) (.*/\1/p' <<<"$plan" | grep -vx sarvolin || true)
    echo "installing; pulls in: ${pulled[*]:-nothing else}"
    installed=1
    if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 \
        "$deb" >"$work/apt.log" 2>&1; then
        cat "$work/apt.log"
        fail "apt-get install failed"
        return
    fi
    mapfile -t files < <(dpkg-query -L sarvolin)

    local version
    version="$(dpkg-deb -f "$deb" Version)"
    if [ "$(/usr/bin/sarvolin-list --version 2>&1)" = "sarvolin-list ${version%-*}" ]; then
        echo "/usr/bin/sarvolin-list --version: ${version%-*}"
    else
        fail "/usr/bin/sarvolin-list --version does not print ${version%-*}"
    fi
    # The installed lister runs itself again for each body.
    if [ "$(SARVOLIN_SIMULATED_CAMERAS=2 /usr/bin/sarvolin-list-demo --csv 2>&1 |
        grep -c ',083021004')" = 2 ]; then
        echo "/usr/bin/sarvolin-list-demo read two simulated bodies"
    else
        fail "/usr/bin/sarvolin-list-demo did not read two simulated bodies"
    fi
    if command -v man >/dev/null; then
        for page in sarvolin-list sarvolin-rig sarvolin-rig-demo; do
            if man -w "$page" >/dev/null; then
                echo "man -w $page: found"
            else
                fail "man -w $page finds no page"
            fi
        done
    fi

    # The agent's unit as installed; systemd-analyze only warns of a setting
    # it cannot use, so anything it prints is a fault.
    local unit out
    unit="$(printf '%s\n' "${files[@]}" | grep '/systemd/system/sarvolin-publish\.service$' || true)"
    if [ -z "$unit" ]; then
        fail "the package holds no sarvolin-publish.service"
    elif ! command -v systemd-analyze >/dev/null; then
        echo "skipped: no systemd-analyze to check $unit"
    elif out="$(systemd-analyze verify "$unit" 2>&1)" && [ -z "$out" ]; then
        echo "systemd-analyze verify $unit: clean"
    else
        echo "$out"
        fail "systemd-analyze finds fault with $unit"
    fi

    # A home of its own, so the run leaves nothing behind in root's.
    mkdir -p "$work/home" "$work/runtime"
    chmod 700 "$work/runtime"
    # Runs one of the scripts below on a virtual X display, as a user with an
    # empty home would. The test command runs everything else offscreen.
    on_desktop() {
        env QT_QPA_PLATFORM=xcb HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
            XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime" \
            xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/$1" "$work"
    }
    cat >"$work/start.sh" <<'END'
/usr/bin/sarvolin >"$1/sarvolin.log" 2>&1 &
pid=$!
if ! timeout 30 xdotool search --sync --name '^SarvolinV1\.1\.0$' >/dev/null; then
    echo "no window titled SarvolinV1.1.0 within 30 s"
    kill "$pid" 2>/dev/null
    exit 1
fi
sleep 1
if ! kill "$pid" 2>/dev/null; then
    echo "the program ended by itself"
    exit 1
fi
wait "$pid" || true
END
    if on_desktop start.sh; then
        echo "/usr/bin/sarvolin showed its window and was closed"
    else
        cat "$work/sarvolin.log"
        fail "/usr/bin/sarvolin did not show its window"
    fi

    # The rig window on two simulated bodies: its window shows, and the
    # installed workers it starts open a session with each body, which the
    # simulated camera's log tells.
    cat >"$work/start-rig.sh" <<'END'
work="$1"
SARVOLIN_SIMULATED_CAMERAS=2 SARVOLIN_SIMULATED_LOG="$work/simulated.log" \
    /usr/bin/sarvolin-rig-demo >"$work/sarvolin-rig-demo.log" 2>&1 &
pid=$!
# The class is the program's name whatever the window's title.
if ! timeout 30 xdotool search --sync --onlyvisible --classname '^sarvolin-rig-demo$' >/dev/null; then
    echo "no window of sarvolin-rig-demo within 30 s"
    kill "$pid" 2>/dev/null
    exit 1
fi
for _ in $(seq 60); do
    grep -q ' open sim:001$' "$work/simulated.log" 2>/dev/null &&
        grep -q ' open sim:002$' "$work/simulated.log" && break
    sleep 0.5
done
if ! grep -q ' open sim:002$' "$work/simulated.log" 2>/dev/null ||
    ! grep -q ' open sim:001$' "$work/simulated.log"; then
    echo "the window's workers opened no session with both bodies within 30 s"
    kill "$pid" 2>/dev/null
    exit 1
fi
sleep 1
if ! kill "$pid" 2>/dev/null; then
    echo "the program ended by itself"
    exit 1
fi
wait "$pid" || true
END
    if on_desktop start-rig.sh; then
        echo "/usr/bin/sarvolin-rig-demo showed its window, read two bodies and was closed"
    else
        cat "$work/sarvolin-rig-demo.log"
        fail "/usr/bin/sarvolin-rig-demo did not show its window or read its bodies"
    fi
    # Its workers take the end of their input as the end; none may outlive it.
    local stray=()
    for _ in $(seq 10); do
        mapfile -t stray < <(running_from /usr/libexec/sarvolin/)
        [ ${#stray[@]} = 0 ] && break
        sleep 0.5
    done
    if [ ${#stray[@]} -gt 0 ]; then
        ps -o pid=,args= -p "$(IFS=,; echo "${stray[*]}")" || true
        fail "workers of sarvolin-rig-demo still run after it ended"
        # They are this run's: the package was not there before it.
        kill -KILL "${stray[@]}" 2>/dev/null || true
    fi

    apt-get purge -y -qq -o DPkg::Lock::Timeout=300 sarvolin >/dev/null
    installed=0
    left=0
    for path in "${files[@]}"; do
        if [ -d "$path" ]; then
            # Directories stay while another package owns them; /lib is one
            # as well where it links to /usr/lib.
            dpkg-query -S "$path" >/dev/null 2>&1 && continue
        elif [ ! -e "$path" ] && [ ! -L "$path" ]; then
            continue
        fi
        echo "left after purge: $path"
        left=1
    done
    if [ "$left" = 0 ]; then
        echo "purged: none of its ${#files[@]} paths remain"
    else
        fail "files of the package remain after purge"
    fi
    if [ ${#pulled[@]} -gt 0 ]; then
        apt-get purge -y -qq -o DPkg::Lock::Timeout=300 "${pulled[@]}" >/dev/null
        echo "removed again: ${pulled[*]}"
        pulled=()
    fi
}

echo "== install, start, purge =="
status="$(dpkg-query -W -f='${db:Status-Status}' sarvolin 2>/dev/null || true)"
if [ "$(id -u)" != 0 ]; then
    echo "skipped: installing needs root"
elif [ -n "$status" ] && [ "$status" != not-installed ]; then
    echo "skipped: a sarvolin package is already on this machine ($status); it is left alone"
else
    install_start_purge
fi

echo "package-check: $([ $failed = 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s"
exit "$failed"
