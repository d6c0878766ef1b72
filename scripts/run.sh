#!/usr/bin/env bash
# Installs what is missing, builds, and starts the workstation on a demo portfolio with the
# simulated market feed (in a demo home under /tmp, so your own portfolios are untouched).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
if [ -x "$build/app/gui/cartera" ]; then
    exec "$build/app/gui/cartera" --demo "$@"
fi
exec "$build/app/cli/cartera-cli" demo
