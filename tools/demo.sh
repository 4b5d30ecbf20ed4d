#!/bin/sh
# Sets everything up and shows the suite at work: installs the packages,
# builds the suite (Release, no tests) in build/, installs it into the install
# root on a private tmpfs (tools/private-ns.sh, with a private /tmp too, so the
# host is never touched) and runs the demo steps there
# (tools/demo/steps/*.sh, in order). Their results stay in demo-out/ in the
# checkout.
# Run as root from any folder; arguments go to every step (the scan job takes
# [--flatbed] [--resolution <dpi>]).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/tools/install-deps.sh"

build="$top/build"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALIRO_BUILD_TESTS=OFF -DTALIRO_BUILD_BENCH=OFF
cmake --build "$build" -j 4
root=$(sed -n 's/^TALIRO_INSTALL_ROOT:[A-Z]*=//p' "$build/CMakeCache.txt")

out="$top/demo-out"
rm -rf "$out"
mkdir -p "$out"
sh "$top/tools/private-ns.sh" sh "$top/tools/with-private-tmp.sh" sh "$top/tools/with-install.sh" "$build" "$root" \
    sh "$top/tools/demo/run-steps.sh" "$build" "$root" "$out" "$@"
echo "The demo's results are in $out, one folder per step; trace.log in the"
echo "scan steps' folders holds the scan engine's own trace lines and Qt's warnings."
