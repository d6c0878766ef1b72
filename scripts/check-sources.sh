#!/usr/bin/env bash
# Fails when a C++ source file is in no CMakeLists.txt: with explicit source lists, a file
# left out would silently not be built (or its tests not run). A folder whose sources a
# CMakeLists.txt globs (file(GLOB ... DIR/*.cc), statements/formats/) counts as listed.
# Usage: check-sources.sh SOURCE_DIR
set -uo pipefail
root="${1:?source folder}"
cd "$root"
status=0
while IFS= read -r f; do
    dir=$(dirname "$f")
    name=$(basename "$f")
    found=0
    # The file's own folder or one above it lists it (by name or relative path).
    d="$dir"
    while :; do
        if [ -f "$d/CMakeLists.txt" ]; then
            rel="${f#"$d"/}"
            [ "$d" = "." ] && rel="$f"
            if grep -qE "(^|[[:space:](])${rel//./\\.}([[:space:])]|$)" "$d/CMakeLists.txt"; then
                found=1
                break
            fi
            reldir=$(dirname "$rel")
            if [ "$reldir" != . ] && grep -qE "GLOB.*/${reldir//./\\.}/\*\.cc" "$d/CMakeLists.txt"; then
                found=1
                break
            fi
        fi
        [ "$d" = "." ] && break
        d=$(dirname "$d")
    done
    if [ $found -eq 0 ]; then
        echo "in no CMakeLists.txt: $f"
        status=1
    fi
done < <(git ls-files '*.cc' '*.cpp' | grep -v '^fuzz/corpus/')
[ $status -eq 0 ] && echo "every source file is in a CMakeLists.txt"
exit $status
