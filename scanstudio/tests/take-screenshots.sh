#!/bin/sh
# Screenshots of ScanStudio's window, one per page and one of the cover, as
# Xvfb shows them. Build the tests first (sh tools/test.sh, or cmake --build
# build-test).
# Usage: take-screenshots.sh [output folder] (default: screenshots/scanstudio)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$top/screenshots/scanstudio}
mkdir -p "$out"
xvfb-run -a -s "-screen 0 800x600x24" env QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
    "$top/build-test/scanstudio/src/client/tests/window_screenshots" "$out"
ls "$out"
