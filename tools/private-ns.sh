#!/bin/sh
# Runs a command in a private mount and network namespace: a tmpfs over /opt
# and only the loopback interface, up. Black-box tests run the real programs at
# their real install root and ports here, so the host is never touched.
# Usage: private-ns.sh command [args...]
set -eu
[ "$#" -ge 1 ] || { echo "usage: $0 command [args...]" >&2; exit 2; }
exec unshare --mount --net --propagation private sh -c '
    set -e
    mount -t tmpfs -o mode=0755 tmpfs /opt
    ip link set lo up
    exec "$@"' private-ns "$@"
