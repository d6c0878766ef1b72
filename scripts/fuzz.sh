#!/bin/sh
# Runs one fuzz target for some minutes: scripts/fuzz.sh portfolio|commissions MINUTES
# Builds it with clang in build-fuzz/, starting from the seeds in fuzz/corpus/NAME; new
# inputs go to build-fuzz/corpus/NAME, a failing input to build-fuzz/ (add it to
# fuzz/corpus/NAME once fixed, so it replays as a test).
set -e
name=${1:?usage: fuzz.sh NAME MINUTES}
minutes=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARTERA_FUZZ=ON -DCARTERA_BUILD_GUI=OFF \
  -DCARTERA_BUILD_TESTS=OFF -DCARTERA_BUILD_BENCH=OFF >/dev/null
ninja -C "$root/build-fuzz" "fuzz_$name"
cd "$root/build-fuzz"
mkdir -p "corpus/$name"
exec "./fuzz/fuzz_$name" -max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 \
  "corpus/$name" "$root/fuzz/corpus/$name"
