#!/bin/sh
# The demo's page list and save steps at a low resolution, with their files
# in a folder of the private /opt.
# Usage: savedemo-check.sh <pagedemo> <savedemo>
set -eu
out=$(mktemp -d /opt/savedemo-XXXXXX)
"$1" --resolution 75 --out "$out/page-list" >/dev/null
"$2" --pages "$out/page-list" --out "$out/saved"
