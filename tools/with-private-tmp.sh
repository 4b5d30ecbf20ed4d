#!/bin/sh
# Runs a command with a tmpfs of its own over /tmp. Meant to run inside
# tools/private-ns.sh, whose mount namespace keeps the tmpfs from the host:
# an X server started there (xvfb-run -a) then finds its lock and socket
# files apart from every other test's, so parallel tests never race for a
# display number.
# A checkout or build folder in the host's /tmp (named by the working folder
# or by an argument: the test program, a script, a helper) stays where it
# was: its top folder under /tmp is bound back into the new one.
# Usage: with-private-tmp.sh command [args...]
set -eu
[ "$#" -ge 1 ] || { echo "usage: $0 command [args...]" >&2; exit 2; }
# The host's /tmp, kept open to bind from once it is covered.
exec 3</tmp
mount -t tmpfs -o mode=1777 tmpfs /tmp
for path in "$PWD" "$@"; do
    case "$path" in
    /tmp/?*) ;;
    *) continue ;;
    esac
    top=${path#/tmp/}
    top=${top%%/*}
    host=/proc/self/fd/3/$top
    [ ! -e "/tmp/$top" ] && [ -e "$host" ] || continue
    if [ -d "$host" ]; then mkdir "/tmp/$top"; else : >"/tmp/$top"; fi
    mount --no-canonicalize --bind "$host" "/tmp/$top"
done
exec 3<&-
exec "$@"
