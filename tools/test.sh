#!/bin/sh
# Sets everything up and runs every test: the unit and black-box tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a
# bounded time. Run as root from any folder. TALIRO_JOBS caps parallel
# build and test jobs (default: the number of processors).
set -eu
jobs=${TALIRO_JOBS:-$(nproc)}
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/tools/install-deps.sh"

build="$top/build-test"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALIRO_SANITIZE=ON
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600

sh "$top/tools/run-fuzzers.sh"
