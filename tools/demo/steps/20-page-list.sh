#!/bin/sh
# Demo step: pagedemo scans the same job into the page list the way the window
# does, switches on background whitening, deskew and border removal for every
# page and prints each page's size and skew before and after; last it imports
# a rendered text page lying on its side with orientation detection on, which
# the installed recogniser turns upright, and prints the text recognised on it.
# The pages before and after are left as PNG files in this step's folder.
set -eu
build=$1 root=$2 out=$3
shift 3
"$build/scanstudio/src/imageprcess/demo/pagedemo" --out "$out" "$@"
