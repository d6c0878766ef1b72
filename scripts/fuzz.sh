#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang into build-fuzz/ and runs one of them.
#   scripts/fuzz.sh NAME MINUTES     NAME: portfolio, portfolio_body, commissions, grid_layout,
#                                   csv, ticks, flex_xml, flex_csv, degiro,
#                                   trading212, mapping, change_log
# New inputs found go to build-fuzz/corpus/NAME (the committed seeds in fuzz/corpus/NAME
# are only read); an input that crashes lands in fuzz/crashes/NAME, where
# fuzz_replay_tests picks it up once the reader is fixed.
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
ninja -C "$BUILD" "fuzz_$NAME"

mkdir -p "$BUILD/corpus/$NAME" "$ROOT/fuzz/crashes/$NAME"
cd "$BUILD"
exec "./fuzz/fuzz_$NAME" -max_total_time=$((MINUTES * 60)) -timeout=10 -rss_limit_mb=2048 \
     -max_len=65536 -print_final_stats=1 \
     -artifact_prefix="$ROOT/fuzz/crashes/$NAME/" \
     "$BUILD/corpus/$NAME" "$ROOT/fuzz/corpus/$NAME"
