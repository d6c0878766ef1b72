#!/usr/bin/env bash
# Installs the build into a fresh DESTDIR and runs both programs from the installed paths,
# so a module or library the install rules forget is found here rather than by a user.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build="${1:?build folder}"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr > /dev/null
bin="$stage/usr/bin"
CARTERA_HOME="$stage/home" "$bin/cartera-cli" demo > "$stage/demo.txt"
grep -q . "$stage/demo.txt"
if [ -x "$bin/cartera" ]; then
    test -f "$stage/usr/share/applications/cartera.desktop"
    QT_QPA_PLATFORM=offscreen CARTERA_HOME="$stage/home" \
        "$bin/cartera" --demo --measure-startup 2>&1 | grep 'startup:'
fi
echo "installed programs run"
