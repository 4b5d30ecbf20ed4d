#!/bin/sh
# Runs a command in a private mount and network namespace: a tmpfs over /opt
# and only the loopback interface, up. Black-box tests run the real programs at
# their real install root and ports here, so the host is never touched. An X
# server started here compiles its keymap into a private /var/lib/xkb: the
# file there is named after the display number alone, so X servers of tests
# running side by side would otherwise overwrite each other's.
# Needs root with the right to make mount and network namespaces. Where "/"
# is no mount point (a chroot), tools/private-mounts.py makes the mounts private.
# Usage: private-ns.sh command [args...]
set -eu
[ "$#" -ge 1 ] || { echo "usage: $0 command [args...]" >&2; exit 2; }
inner='
    set -e
    mount -t tmpfs -o mode=0755 tmpfs /opt
    [ ! -d /var/lib/xkb ] || mount -t tmpfs -o mode=0755 tmpfs /var/lib/xkb
    ip link set lo up
    exec "$@"'
if mountpoint -q /; then
    exec unshare --mount --net --propagation private sh -c "$inner" private-ns "$@"
fi
exec unshare --mount --net --propagation unchanged \
    python3 "$(dirname "$0")/private-mounts.py" sh -c "$inner" private-ns "$@"
