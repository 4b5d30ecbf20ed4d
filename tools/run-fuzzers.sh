#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: run-fuzzers.sh [seconds per target, default 60]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$top/build-fuzz"

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALIRO_FUZZ=ON -DTALIRO_BUILD_TESTS=OFF -DTALIRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers -j "$(nproc)"

status=0
while read -r name corpus; do
    [ -n "$name" ] || continue
    work="$build/fuzz/$name.corpus"
    mkdir -p "$work"
    echo "fuzzing $name for ${seconds}s"
    if ! "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 "$work" ${corpus:+"$corpus"} >"$build/fuzz/$name.log" 2>&1; then
        tail -n 60 "$build/fuzz/$name.log"
        echo "fuzz target $name failed"
        status=1
    else
        grep -E 'stat::number_of_executed_units' "$build/fuzz/$name.log" || true
    fi
done <"$build/fuzz/targets.txt"
exit $status
