#!/usr/bin/env bash
# Checks that every C++ source is formatted as .clang-format says, with
# Debian's clang-format; lists the files that are not and fails.
#   bash scripts/format-check.sh          check
#   bash scripts/format-check.sh --fix    reformat those files in place
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/deps.sh clang-format

mapfile -t sources < <(find app bench camera display engine lister rig sdk tests ui worker -name '*.cpp' -o -name '*.h' | sort)
if [ "${1:-}" = --fix ]; then
    clang-format -i "${sources[@]}"
    exit 0
fi
unformatted=()
for file in "${sources[@]}"; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "not formatted as .clang-format says (bash scripts/format-check.sh --fix):"
    printf '  %s\n' "${unformatted[@]}"
    exit 1
fi
echo "formatting: ${#sources[@]} files as .clang-format says"
