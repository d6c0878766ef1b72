#!/usr/bin/env bash
# Formats every C++ file of the project with .clang-format.
#   scripts/format.sh           rewrite the files in place
#   scripts/format.sh --check   list the files that differ and exit 1 if any does
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files '*.cc' '*.cpp' '*.h')
if [[ "${1:-}" == "--check" ]]; then
    # One clang-format per core over all files; it names each place that would change.
    if ! report=$(printf '%s\0' "${files[@]}" |
                  xargs -0 -n 40 -P "$(nproc 2>/dev/null || echo 2)" \
                        clang-format --dry-run -Werror 2>&1); then
        echo "$report" | grep -oE '^[^:]+:[0-9]+:[0-9]+: error' | cut -d: -f1 | sort -u |
            sed 's/^/not formatted: /'
        echo "run scripts/format.sh to format them" >&2
        exit 1
    fi
    exit 0
fi
clang-format -i "${files[@]}"
