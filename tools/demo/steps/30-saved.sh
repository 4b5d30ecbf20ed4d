#!/bin/sh
# Demo step: savedemo saves the corrected pages of the page list step as PDF,
# multi-page TIFF and OFD and in three colour streams, and prints what
# independent tools read from each file. The files stay in this step's folder.
set -eu
build=$1 root=$2 out=$3
"$build/scanstudio/src/imageprcess/savedemo/savedemo" --pages "$(dirname "$out")/page-list" --out "$out"
