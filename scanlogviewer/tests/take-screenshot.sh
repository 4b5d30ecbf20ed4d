#!/bin/sh
# A screenshot of ScanLogViewer's window after the default login, as Xvfb
# shows it: the installed program on a sample scan log, run by the black-box
# test in a private namespace. Build the tests first (sh tools/test.sh, or
# cmake --build build-test).
# Usage: take-screenshot.sh [output file] (default: screenshots/scanlogviewer/window.png)
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$top/screenshots/scanlogviewer/window.png}
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
build="$top/build-test"
root=$(sed -n 's/^TALIRO_INSTALL_ROOT:[A-Z]*=//p' "$build/CMakeCache.txt")
root=${root%/}/
sh "$top/tools/private-ns.sh" sh "$top/tools/with-install.sh" "$build" "$root" \
    sh "$top/tools/with-private-tmp.sh" sh "$top/scanlogviewer/tests/start_blackbox.sh" "$root" "$out"
