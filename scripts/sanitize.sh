#!/usr/bin/env bash
# Builds the headless layers and the command line with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ and runs their tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${BUILD_DIR:-$root/build-sanitize}"
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCARTERA_SANITIZE=ON \
    -DCARTERA_BUILD_GUI=OFF -DCARTERA_BUILD_BENCH=OFF "$@" > "$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; exit 1; }
ninja -C "$build" -j "$(nproc 2>/dev/null || echo 2)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" --timeout 600
