#!/usr/bin/env bash
# Shows that check-layers.sh catches an include against its table: a copy of dialogs/ passes,
# then the same copy with the windows included from the sheets' glue fails, naming the file.
# Usage: test-layer-check.sh SOURCE_DIR
set -uo pipefail
root="${1:?source folder}"
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp -r "$root/dialogs" "$copy/"
if ! "$root/scripts/check-layers.sh" "$copy" >/dev/null; then
    echo "the untouched copy fails the check"
    exit 1
fi
sed -i '1a #include "window/views.h"' "$copy/dialogs/sheets.cc"
out=$("$root/scripts/check-layers.sh" "$copy")
if [ $? -eq 0 ] || ! grep -q '^dialogs/sheets.cc:2:#include "window/views.h"' <<<"$out"; then
    echo "the planted include went unnoticed:"
    echo "$out"
    exit 1
fi
echo "the check fails on an include against the table"
