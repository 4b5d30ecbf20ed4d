#!/bin/sh
# Builds the suite with optimisation and runs every benchmark program; each
# prints its figures beside those of its anchor, measured in the same run.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/tools/install-deps.sh"

build="$top/build-bench"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALIRO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${TALIRO_JOBS:-$(nproc)}"
for bench in "$build"/bench/*; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench"
done
