#!/bin/sh
# ScanStudio's scanner discovery from its real install root (run inside the
# private namespaces by the black-box test helper), against the installed
# stand-in backend whose call log shows every device query: no query while
# cfg/printerlist.ini is missing, one after the file appears, and with no
# scanner left the box and the end of the program with status 0. It draws on
# a private Xvfb, so the box can be seen and answered.
# Runs under tools/with-private-tmp.sh, so its files in /tmp are its own.
# Usage: discovery_blackbox.sh <install root>
set -eu
root=$1
bin="${root}bin/ScanStudio"
list="${root}cfg/printerlist.ini"
fail() { echo "FAIL: $*" >&2; cat /tmp/scanstudio.log >&2 2>/dev/null || true; exit 1; }
pass() { echo "ok: $*"; }

Xvfb :8 -ac -noreset -nolisten tcp -screen 0 800x600x24 >/tmp/xvfb.log 2>&1 &
xvfb=$!
scanstudio=""
cleanup() {
    for pid in $scanstudio $xvfb; do kill -9 "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
export DISPLAY=:8 QT_QPA_PLATFORM=xcb

calls=/tmp/calls.log
script=/tmp/standin.script
export TALIRO_STANDIN_BACKEND_SCRIPT="$script"
stand_in() {  # stand_in <devices>
    printf 'calllog=%s\ndevices=%s\n' "$calls" "$1" > "$script.new"
    mv "$script.new" "$script"
}
queries() { grep -c -x get_devices "$calls" 2>/dev/null || true; }
at_least() { [ "$(queries)" -ge "$1" ]; }
now() { date +%s; }
# Gives the printer list a modification time in a new whole second.
touch_list() {
    stamp=$(( $(now) + ${1} ))
    touch -d "@$stamp" "$list"
}
waitfor() {  # waitfor <seconds> <description> <command...>
    limit=$(( $1 * 10 ))
    what=$2
    shift 2
    i=0
    until "$@"; do
        i=$((i + 1))
        [ "$i" -le "$limit" ] || fail "timed out waiting for $what"
        sleep 0.1
    done
}
waitfor 60 "the X server" xdotool getdisplaygeometry

stand_in 1
rm -f "$list"
started=$(now)
# The X platform plugin and the libraries it brought are unloaded before the
# leak check at exit, which then cannot tell whose their allocations were;
# the window's own code is leak-checked in process (offscreen).
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$bin" >/tmp/scanstudio.log 2>&1 &
scanstudio=$!
xdotool search --sync --onlyvisible --name '^scanner$' >/dev/null

# No printer list: the poll asks the backend for nothing.
while [ $(( $(now) - started )) -lt 10 ]; do
    [ "$(queries)" -eq 0 ] || fail "a device query without a printer list"
    sleep 0.5
done
pass "no device query for 10 s while the printer list is missing"

# The list appears: one query at the next poll, and no other at the poll
# after it. The poll runs every 5 s (pinned in process); here a busy machine
# is given up to two periods and a second beside them.
mkdir -p "${root}cfg"
touched=$(now)
touch_list 100
waitfor 60 "the device query" at_least 1
queried=$(now)
[ $(( queried - touched )) -le 11 ] || fail "the device query came $(( queried - touched )) s after the change"
while [ $(( $(now) - queried )) -lt 6 ]; do sleep 0.2; done
[ "$(queries)" -eq 1 ] || fail "$(queries) device queries after one change"
pass "one device query, $(( queried - touched )) s after the change"

# No scanner left: the box, then the program ends with status 0.
stand_in 0
touch_list 200
box=$(xdotool search --sync --onlyvisible --name '^no avilable scanner$' | head -n 1)
xdotool windowfocus --sync "$box"
xdotool key --clearmodifiers Return
status=0
wait "$scanstudio" || status=$?
scanstudio=""
[ "$status" -eq 0 ] || fail "status $status after the no-scanner box"
[ "$(queries)" -eq 2 ] || fail "$(queries) device queries in all"
pass "no scanner: the box, then status 0"
echo "all passed"
