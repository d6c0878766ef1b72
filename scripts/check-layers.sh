#!/usr/bin/env bash
# Fails when a source file includes a folder its own may not (the table below), when a
# headless layer includes a Qt header, or when the command-line tool links Qt.
# Usage: check-layers.sh SOURCE_DIR [CARTERA_CLI]
set -uo pipefail
root="${1:?source folder}"
cli="${2:-}"
status=0

# Folder -> the folders its code may include besides its own. Layers point down only; the
# workstation (app/) reaches the portfolio module's window/ and dialogs/ only by loading it.
# A test may include testing/ as well.
declare -A may=(
    [resources]=""
    [host]="resources"
    [commissions]="resources host"
    [model]="resources host commissions"
    [statements]="resources host commissions model"
    [grids]="resources host commissions model"
    [analytics]="resources host commissions model grids"
    [framework]="resources host"
    [dialogs]="resources host commissions model grids framework"
    [window]="resources host commissions model grids analytics framework dialogs"
    [app]="resources host commissions model statements grids analytics framework"
    [bench]="resources host commissions model statements grids analytics"
    [fuzz]="resources host commissions model statements grids analytics"
    [testing]="resources host commissions model statements grids analytics app"
)

table=$(for folder in "${!may[@]}"; do echo "$folder ${may[$folder]}"; done)
against=$(cd "$root" && find . \( -path ./.git -o -path ./build -o -path './build-*' \) -prune \
    -o -type f \( -name '*.h' -o -name '*.cc' -o -name '*.cpp' \) -path './*/*' -print | sed 's|^\./||' |
    xargs -r grep -HnE '^\s*#\s*include\s*"[A-Za-z_]+/' /dev/null |
    awk -v table="$table" '
        BEGIN {
            n = split(table, rows, "\n")
            for (i = 1; i <= n; i++) { split(rows[i], f, " "); known[f[1]] = " " rows[i] " " }
        }
        {
            file = $0; sub(/:.*/, "", file)
            folder = file; sub(/\/.*/, "", folder)
            included = $0; sub(/^[^"]*"/, "", included); sub(/\/.*/, "", included)
            if (!(folder in known)) { print file ": the folder " folder " has no row"; next }
            allowed = known[folder]
            if (file ~ /_test\.|test_|\/tests\//) allowed = allowed "testing "
            if (index(allowed, " " included " ") == 0) print $0
        }')
if [ -n "$against" ]; then
    echo "includes against the layer table:"
    echo "$against"
    status=1
fi

hits=$(cd "$root" && grep -rsnE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' \
    host commissions model grids analytics --include='*.h' --include='*.cc' --include='*.cpp' \
    | grep -v '^host/qt/')
if [ -n "$hits" ]; then
    echo "Qt headers in a headless layer:"
    echo "$hits"
    status=1
fi
if [ -n "$cli" ]; then
    if ! [ -x "$cli" ]; then
        echo "no executable at $cli"
        status=1
    elif ldd "$cli" | grep -qi 'libQt'; then
        echo "$cli links Qt:"
        ldd "$cli" | grep -i 'libQt'
        status=1
    fi
fi
[ $status -eq 0 ] && echo "layers apart: includes follow the table, no Qt below the window" \
    "layer, cartera-cli without Qt"
exit $status
