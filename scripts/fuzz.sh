#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang into build-fuzz/ and runs one of them.
#   scripts/fuzz.sh NAME MINUTES     NAME: portfolio, portfolio_body, commissions, grid_layout,
#                                   csv, ticks, rates, mapping, change_log, or a statement format
#                                   (ib-flex-xml, ib-flex-csv, degiro, trading212, map,
#                                   cartera: every name in statements/detect.cc's list)
# A statement format runs fuzz_statement with CARTERA_FUZZ_FORMAT=NAME, seeded also by its
# samples in statements/testdata/NAME. New inputs found go to build-fuzz/corpus/NAME (the
# committed seeds in fuzz/corpus/NAME are only read); an input that crashes lands in
# fuzz/crashes/NAME, where fuzz_replay_tests picks it up once the reader is fixed.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 NAME MINUTES" >&2
    exit 2
fi
NAME=$1
MINUTES=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-fuzz
LAUNCHER=()
command -v ccache > /dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ "${LAUNCHER[@]}" -DCARTERA_FUZZ=ON \
      -DCARTERA_BUILD_GUI=OFF -DCARTERA_BUILD_TESTS=OFF -DCARTERA_BUILD_BENCH=OFF > /dev/null
HARNESS=$NAME
SEEDS=()
if [ ! -f "$ROOT/fuzz/harness_$NAME.cc" ]; then
    HARNESS=statement
    export CARTERA_FUZZ_FORMAT=$NAME
    [ -d "$ROOT/statements/testdata/$NAME" ] && SEEDS+=("$ROOT/statements/testdata/$NAME")
fi
ninja -C "$BUILD" "fuzz_$HARNESS"

mkdir -p "$BUILD/corpus/$NAME" "$ROOT/fuzz/crashes/$NAME"
[ -d "$ROOT/fuzz/corpus/$NAME" ] && SEEDS+=("$ROOT/fuzz/corpus/$NAME")
cd "$BUILD"
exec "./fuzz/fuzz_$HARNESS" -max_total_time=$((MINUTES * 60)) -timeout=10 -rss_limit_mb=2048 \
     -max_len=65536 -print_final_stats=1 \
     -artifact_prefix="$ROOT/fuzz/crashes/$NAME/" \
     "$BUILD/corpus/$NAME" "${SEEDS[@]}"
