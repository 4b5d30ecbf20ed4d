# Sourced by the black-box test scripts of graphical programs, which run
# inside tools/private-ns.sh and tools/with-private-tmp.sh (a private /tmp
# that keeps a checkout there reachable): fail, pass and waitfor, then
# desktop_start <display number>, which mounts a private /dev, catches the
# system log lines sent to /dev/log in $syslog and starts Xvfb as DISPLAY.
# Add the pids of what the script starts to $started: they are killed at exit.

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

waitfor() {  # waitfor <description> <command...>: up to 60 s
    what=$1
    shift
    i=0
    until "$@"; do
        i=$((i + 1))
        [ "$i" -le 600 ] || fail "timed out waiting for $what"
        sleep 0.1
    done
}

syslog=/tmp/syslog.txt
syslog_count() { grep -c -F "$1" "$syslog" || true; }
# syslog_holds <count> <text>, for waitfor: counts anew at every try.
syslog_holds() { [ "$(syslog_count "$2")" -eq "$1" ]; }

started=""
desktop_cleanup() {
    for pid in $started; do kill -9 "$pid" 2>/dev/null || true; done
}

x_server_up() { xdotool getdisplaygeometry >/dev/null 2>&1; }

desktop_start() {
    # A private /dev, with our own syslog socket in it.
    mkdir /tmp/host-dev
    mount --rbind /dev /tmp/host-dev
    mount -t tmpfs -o mode=0755 tmpfs /dev
    for node in null zero full random urandom tty; do
        : > "/dev/$node"
        mount --bind "/tmp/host-dev/$node" "/dev/$node"
    done
    mkdir /dev/shm /dev/pts
    mount -t tmpfs -o mode=1777 tmpfs /dev/shm
    ln -s /proc/self/fd /dev/fd
    /usr/bin/python3 - "$syslog" <<'PY' &
import os, socket, sys
listener = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
listener.bind("/dev/log.new")
os.chmod("/dev/log.new", 0o666)
os.rename("/dev/log.new", "/dev/log")
with open(sys.argv[1], "ab", buffering=0) as out:
    while True:
        out.write(listener.recv(65536).rstrip(b"\n") + b"\n")
PY
    started="$started $!"

    # No reset each time the last client leaves: the server stays as it is
    # between the scripts' short-lived clients instead of starting over.
    Xvfb ":$1" -ac -noreset -nolisten tcp -screen 0 800x600x24 >/tmp/xvfb.log 2>&1 &
    started="$started $!"
    export DISPLAY=":$1" QT_QPA_PLATFORM=xcb
    trap desktop_cleanup EXIT
    waitfor "the syslog socket" test -S /dev/log
    waitfor "the X server" x_server_up
}
