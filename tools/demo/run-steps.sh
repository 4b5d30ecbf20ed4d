#!/bin/sh
# Runs every demo step, tools/demo/steps/<nn>-<name>.sh, in the order of their
# names, inside the private namespaces where the build is installed, with a
# home folder (/opt/home/ann) and a runtime folder on the private tmpfs. Each
# step gets the build folder, the install root, its own folder
# demo-out/<name>/ and the demo's arguments, and prints what it shows.
# Usage: run-steps.sh <build dir> <install root> <demo-out folder> [demo arguments...]
set -eu
build=$1 root=$2 out=$3
shift 3
export HOME=/opt/home/ann XDG_RUNTIME_DIR=/opt/run/ann
mkdir -p "$HOME"
mkdir -p -m 0700 /opt/run "$XDG_RUNTIME_DIR"
for step in "$(dirname "$0")"/steps/*.sh; do
    name=$(basename "$step" .sh)
    name=${name#*-}
    echo "== $name"
    mkdir -p "$out/$name"
    sh "$step" "$build" "$root" "$out/$name" "$@"
done
