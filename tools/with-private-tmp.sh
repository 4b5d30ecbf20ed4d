#!/bin/sh
# Runs a command with a tmpfs of its own over /tmp. Meant to run inside
# tools/private-ns.sh, whose mount namespace keeps the tmpfs from the host:
# an X server started there (xvfb-run -a) then finds its lock and socket
# files apart from every other test's, so parallel tests never race for a
# display number.
# Usage: with-private-tmp.sh command [args...]
set -eu
[ "$#" -ge 1 ] || { echo "usage: $0 command [args...]" >&2; exit 2; }
mount -t tmpfs -o mode=1777 tmpfs /tmp
exec "$@"
