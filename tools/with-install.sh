#!/bin/sh
# Installs a build into the install root, then runs a command. Meant to run
# inside tools/private-ns.sh, where /opt is a private tmpfs.
# Usage: with-install.sh <build dir> <install root> command [args...]
set -eu
build=$1 root=$2
shift 2
cmake --install "$build" --prefix "$root" >/dev/null
exec "$@"
