#!/usr/bin/env bash
# Compiles every translation unit of the Windows programs, moc output
# included, for 32-bit Windows with mingw-w64 against Debian's Qt 5 headers:
# syntax and types only, warnings as errors; nothing is linked or run. The
# Linux builds never see the SDK's __stdcall convention nor the _WIN32 and
# Q_OS_WIN branches; this does. Installs what is missing (Debian, as root).
#
#   scripts/windows-check.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# GCC 12's win32 thread model has no std::mutex, which the simulated camera
# uses; the posix one has. Everything else gets the win32 compiler, the one
# the wine test of the vendor loader uses.
scripts/deps.sh qtbase5-dev qtbase5-dev-tools g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix
cxx_win32=i686-w64-mingw32-g++-win32
cxx_posix=i686-w64-mingw32-g++-posix
moc=/usr/lib/qt5/bin/moc
qt=/usr/include/x86_64-linux-gnu/qt5

# sarvolin: camera, app, ui and the vendor loader; sarvolin-demo: the same
# with the simulated camera and what it shares with the other cameras;
# sarvolin-list and sarvolin-list-demo: list and the same cameras.
dirs=(camera app ui list sdk/vendor sdk/simulated sdk/common)
for dir in "${dirs[@]}"; do
    [ -d "$dir" ] || { echo "windows-check: no folder $dir" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# As the CMake build passes them. Qt's headers are system headers there, so
# their own warnings (dllimport on friend declarations) are not ours.
flags=(-std=c++17 -fsyntax-only -Wall -Wextra -Werror
       -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -I"$root"
       -DSARVOLIN_APP_ID='"app.id"' -DSARVOLIN_VERSION='"0"'
       -DSARVOLIN_WORKER='"worker.exe"' -DSARVOLIN_INSTALLED_WORKER='"../libexec/worker.exe"'
       -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" -isystem "$qt/QtWidgets")

# moc must see the target's macros, not the host's, to read the Windows
# branches of the headers.
"$cxx_win32" -std=c++17 -dM -E -x c++ /dev/null >"$work/predefs.h"
mocs=()
while IFS= read -r header; do
    out="$work/$(dirname "$header")/moc_$(basename "${header%.h}").cpp"
    mkdir -p "$(dirname "$out")"
    "$moc" --include "$work/predefs.h" -I"$root" -I"$qt" -I"$qt/QtCore" -f"$header" \
        "$header" -o "$out"
    mocs+=("$out")
done < <(grep -rlE --include='*.h' '\bQ_(OBJECT|GADGET|NAMESPACE)\b' "${dirs[@]}" | sort)

units=()
while IFS= read -r unit; do units+=("$unit"); done < <(find "${dirs[@]}" -name '*.cpp' | sort)
units+=("${mocs[@]}")

failed=0
for unit in "${units[@]}"; do
    name="${unit#"$work"/}"
    case "$name" in
    sdk/simulated/* | sdk/common/*) cxx="$cxx_posix" ;;
    *) cxx="$cxx_win32" ;;
    esac
    if "$cxx" "${flags[@]}" "$unit" >"$work/log" 2>&1; then
        echo "ok    $name"
    else
        echo "FAIL  $name"
        cat "$work/log"
        failed=$((failed + 1))
    fi
done

echo "windows-check: $((${#units[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
