#!/usr/bin/env bash
# Installs the build into a fresh DESTDIR and runs both programs from the installed paths,
# so a module or library the install rules forget is found here rather than by a user; and
# checks that the installed workstation names no build folder (in ASCII or UTF-16 text)
# and that its module exports the entry point alone.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build="$(cd "${1:?build folder}" && pwd -P)"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr > /dev/null
bin="$stage/usr/bin"
CARTERA_HOME="$stage/home" "$bin/cartera-cli" demo > "$stage/demo.txt"
grep -q . "$stage/demo.txt"
if [ -x "$bin/cartera" ]; then
    test -f "$stage/usr/share/applications/cartera.desktop"
    for encoding in s l; do
        if strings -a -e "$encoding" "$bin/cartera" | grep -F "$build"; then
            echo "the installed cartera names its build folder" >&2
            exit 1
        fi
    done
    exports="$(nm -D --defined-only "$stage/usr/lib/cartera/libcartera-portfolio.so" |
        awk '{print $3}')"
    if [ "$exports" != CarteraModule ]; then
        echo "the module exports more than its entry point: $exports" >&2
        exit 1
    fi
    QT_QPA_PLATFORM=offscreen CARTERA_HOME="$stage/home" \
        "$bin/cartera" --demo --measure-startup 2>&1 | grep 'startup:'
fi
echo "installed programs run"
