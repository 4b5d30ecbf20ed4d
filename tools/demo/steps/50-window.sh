#!/bin/sh
# Demo step: windowdemo drives ScanStudio's real window on the offscreen
# platform, pressing its buttons as a user would: the scanner found, a save
# folder chosen, a feeder scan corrected on the result page, in the detail
# viewer and in the border dialog and saved as PDF, a flatbed page saved as
# JPG under a name of the user's, and a printed page's text through OCR. The
# screenshots, the saved files and the text stay in this step's folder.
set -eu
build=$1 root=$2 out=$3
shift 3
QT_QPA_PLATFORM=offscreen "$build/scanstudio/src/client/demo/windowdemo" --out "$out" "$@"
