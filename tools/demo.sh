#!/bin/sh
# Sets everything up and runs one scan job end to end: installs the packages,
# builds the suite (Release, no tests) in build/, installs it into the install
# root on a private tmpfs (tools/private-ns.sh, so the host is never touched)
# and runs scanjob there, which scans from the installed stand-in backend
# through the scan session into page files under <root>/scan/tmp/, then
# pagedemo, which scans into the page list as the window does, corrects the
# pages and hands a text page to the installed recogniser, then savedemo,
# which saves the corrected pages as PDF, multi-page TIFF and OFD and in three
# colour streams, and prints what independent tools read from each file.
# Last, the printer side: PrintMonitorService against a private cupsd and the
# simulated printer (tools/demo-printmonitor.sh).
# Run as root from any folder; arguments go to scanjob and pagedemo ([--flatbed] [--resolution <dpi>]).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/tools/install-deps.sh"

build="$top/build"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALIRO_BUILD_TESTS=OFF -DTALIRO_BUILD_BENCH=OFF
cmake --build "$build" -j 4
root=$(sed -n 's/^TALIRO_INSTALL_ROOT:[A-Z]*=//p' "$build/CMakeCache.txt")

# The steps share one namespace: the scan job, then the page list (import,
# corrections and the recogniser), whose pages are left in demo-out/, then
# the saved files, left in demo-out/saved/.
steps='
build=$1 out=$2
shift 2
"$build/scanstudio/sdk/demo/scanjob" "$@"
echo
"$build/scanstudio/src/imageprcess/demo/pagedemo" --out "$out/page-list" "$@"
echo
"$build/scanstudio/src/imageprcess/savedemo/savedemo" --pages "$out/page-list" --out "$out/saved"
'
sh "$top/tools/private-ns.sh" sh "$top/tools/with-install.sh" "$build" "$root" \
    sh -c "$steps" demo "$build" "$top/demo-out" "$@"

# The printer side: PrintMonitorService against a private cupsd and the
# simulated printer.
sh "$top/tools/demo-printmonitor.sh" "$build" "$root"
