#!/bin/sh
# Builds the libFuzzer targets with clang and runs them side by side, each for
# a bounded time. Usage: run-fuzzers.sh [seconds per target, default 60]
# TALIRO_JOBS caps the build jobs and the targets run at once (default: the
# number of processors).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
jobs=${TALIRO_JOBS:-$(nproc)}
build="$top/build-fuzz"

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALIRO_FUZZ=ON -DTALIRO_BUILD_TESTS=OFF -DTALIRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers -j "$jobs"

# One target: its log in build-fuzz/fuzz/<name>.log, its status in <name>.status.
run_target() {
    name=$1 corpus=$2
    work="$build/fuzz/$name.corpus"
    mkdir -p "$work"
    if "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 "$work" ${corpus:+"$corpus"} >"$build/fuzz/$name.log" 2>&1; then
        echo 0 >"$build/fuzz/$name.status"
    else
        echo 1 >"$build/fuzz/$name.status"
    fi
}

running=0
while read -r name corpus; do
    [ -n "$name" ] || continue
    rm -f "$build/fuzz/$name.status"
    echo "fuzzing $name for ${seconds}s"
    run_target "$name" "$corpus" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait
        running=0
    fi
done <"$build/fuzz/targets.txt"
wait

status=0
while read -r name corpus; do
    [ -n "$name" ] || continue
    if [ "$(cat "$build/fuzz/$name.status" 2>/dev/null)" = 0 ]; then
        echo "$name: $(grep -E 'stat::number_of_executed_units' "$build/fuzz/$name.log" || true)"
    else
        tail -n 60 "$build/fuzz/$name.log"
        echo "fuzz target $name failed"
        status=1
    fi
done <"$build/fuzz/targets.txt"
exit $status
