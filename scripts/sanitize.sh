#!/usr/bin/env bash
# Builds everything, the workstation included, with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ and runs the tests (the workstation's
# offscreen). Leaks inside the system's libraries (fonts, GL) are suppressed by
# scripts/lsan.supp; ours are reported.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${BUILD_DIR:-$root/build-sanitize}"
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCARTERA_SANITIZE=ON \
    -DCARTERA_BUILD_BENCH=OFF "$@" > "$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; exit 1; }
ninja -C "$build" -j "$(nproc 2>/dev/null || echo 2)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" --timeout 600
