#!/usr/bin/env bash
# Configures and builds everything into build/ (override with BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
jobs="$(nproc 2>/dev/null || echo 2)"
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; exit 1; }
ninja -C "$build" -j "$jobs"
