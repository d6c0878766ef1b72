#!/usr/bin/env bash
# Fails when a headless layer includes a Qt header or when the command-line tool links Qt.
# Usage: check-layers.sh SOURCE_DIR [CARTERA_CLI]
set -uo pipefail
root="${1:?source folder}"
cli="${2:-}"
status=0
hits=$(cd "$root" && grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' \
    host commissions model statements grids analytics --include='*.h' --include='*.cc' --include='*.cpp' \
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
[ $status -eq 0 ] && echo "layers apart: no Qt below the window layer, cartera-cli without Qt"
exit $status
