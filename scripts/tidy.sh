#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over the headless layers' sources: host/
# without host/qt, text/, commissions/, rates/, model/, grids/, statements/ and analytics/, tests left
# out. Uses the compile_commands.json of a build (BUILD_DIR, default build/; scripts/build.sh makes one).
# Exits 1 when any file has a finding.
#   scripts/tidy.sh              every file of those layers
#   scripts/tidy.sh FILE...      only the files named
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cd "$root"
if [[ ! -f "$build/compile_commands.json" ]]; then
    echo "no $build/compile_commands.json: run scripts/build.sh first" >&2
    exit 2
fi
if [[ $# -gt 0 ]]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files 'host/*.cc' 'text/*.cc' 'commissions/*.cc' 'model/*.cc' 'grids/*.cc' \
                                      'analytics/*.cc' 'statements/*.cc' 'rates/*.cc' | grep -v '^host/qt/' | grep -v '_test\.cc$')
fi
# The build's flags are GCC's; clang does not know some of its warning options.
printf '%s\0' "${files[@]}" |
    xargs -0 -n 4 -P "$(nproc 2>/dev/null || echo 2)" \
          clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option 2>/dev/null |
    tee "$build/tidy.log"
if grep -qE '(warning|error): ' "$build/tidy.log"; then
    echo "clang-tidy: $(grep -cE '(warning|error): ' "$build/tidy.log") findings" >&2
    exit 1
fi
