#!/usr/bin/env bash
# Formats every C++ file of the project with .clang-format.
#   scripts/format.sh           rewrite the files in place
#   scripts/format.sh --check   list the files that differ and exit 1 if any does
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files '*.cc' '*.cpp' '*.h')
if [[ "${1:-}" == "--check" ]]; then
    bad=0
    for f in "${files[@]}"; do
        if ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
            echo "not formatted: $f"
            bad=1
        fi
    done
    if [[ $bad -ne 0 ]]; then
        echo "run scripts/format.sh to format them" >&2
    fi
    exit $bad
fi
clang-format -i "${files[@]}"
