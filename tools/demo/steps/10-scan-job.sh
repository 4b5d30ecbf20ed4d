#!/bin/sh
# Demo step: one scan job from the installed stand-in backend through the scan
# session, as the scanning window runs it (a feeder job of three A4 pages at
# 150 dpi unless --flatbed or --resolution <dpi> say otherwise). Each page is
# kept in this step's folder as page-<n>.rgb and page-<n>.png.
set -eu
build=$1 root=$2 out=$3
shift 3
"$build/scanstudio/sdk/demo/scanjob" --out "$out" "$@"
cat <<TEXT
The .rgb files are the page files as the scan session writes them under
${root%/}/scan/tmp/: raw RGB24, 3 bytes a pixel in the order red,
green, blue, rows top to bottom, no header and no padding: width x height x 3
bytes. The .png files show the same pixels.
TEXT
