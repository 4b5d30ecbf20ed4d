#!/bin/sh
# ScanStudio started from its real install root (run inside the private
# namespaces by the black-box test helper): the lock file, the files it
# shares in scan/, a second start by root and by another user, the lock's
# failures, and links planted in scan/ left alone. It draws on a private
# Xvfb, so "the window is shown" can be waited for; syslog lines are caught
# at a private /dev/log (tools/blackbox-desktop.sh).
# Usage: start_blackbox.sh <install root>
set -eu
root=$1
bin="${root}bin/ScanStudio"
scan="${root}scan"
lock="$scan/talirodaemon.pid"
. "$(dirname "$0")/../../tools/blackbox-desktop.sh"
desktop_start 7

# Starts ScanStudio in the background and waits until its window is shown
# with the given title.
start_shown() {
    "$bin" >/tmp/scanstudio.log 2>&1 &
    first=$!
    started="$started $first"
    xdotool search --sync --onlyvisible --name "^${1:-scanner}\$" >/dev/null
}

# First start: the lock and the shared files.
start_shown
printf '%s\0' "$first" | cmp -s - "$lock" || fail "lock file holds $(od -c "$lock")"
[ "$(stat -c %s "$lock")" -eq $((${#first} + 1)) ] || fail "lock file length"
for name in auth scanApp.conf scanAppLog.log talirodaemon.pid taliroLogDaemon.pid; do
    [ -f "$scan/$name" ] && [ ! -L "$scan/$name" ] || fail "$name not created"
    [ "$(stat -c %a "$scan/$name")" = 777 ] || fail "$name has mode $(stat -c %a "$scan/$name")"
done
for name in auth scanAppLog.log taliroLogDaemon.pid; do
    [ ! -s "$scan/$name" ] || fail "$name not empty"
done
pass "first start: lock file and shared files"

# Left alone, the shown window uses almost no CPU: under 5% of the wall time
# over 3 s. A window that keeps painting never gets there; on a busy machine
# its start-up work may still run into the first spans, so up to five are
# measured.
cpu_ticks() {  # user + system time of process $1 in clock ticks
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}
hz=$(getconf CLK_TCK)
span=0
while :; do
    span=$((span + 1))
    ticks_before=$(cpu_ticks "$first")
    wall_before=$(date +%s%3N)
    sleep 3
    ticks=$(( $(cpu_ticks "$first") - ticks_before ))
    wall_ms=$(( $(date +%s%3N) - wall_before ))
    [ $(( ticks * 1000 * 100 )) -ge $(( 5 * wall_ms * hz )) ] || break
    [ "$span" -lt 5 ] || fail "idle window used $ticks ticks of $hz/s in $wall_ms ms"
done
pass "idle window: $ticks CPU ticks of $hz/s in $wall_ms ms (span $span)"

# Second starts, by root and by another user, end at once with status 0.
locked="file: $lock already locked"
"$bin" >/dev/null 2>&1 || fail "second start by root: status $?"
waitfor "the syslog line" syslog_holds 1 "$locked"
runuser -u nobody -- "$bin" >/dev/null 2>&1 || fail "second start by nobody: status $?"
waitfor "the syslog line" syslog_holds 2 "$locked"
grep -F "$locked" "$syslog" | grep -q '^<11>' || fail "syslog priority: $(cat "$syslog")"
printf '%s\0' "$first" | cmp -s - "$lock" || fail "lock file changed by a second start"
kill -0 "$first" || fail "first instance gone"
pass "second starts by root and by nobody"
kill -9 "$first"
wait "$first" 2>/dev/null || true

# Another user's lock file of mode 0644 cannot be opened: status 1.
rm -f "$lock"
printf 'stale' > "$lock"
chmod 0644 "$lock"
status=0
runuser -u nobody -- "$bin" >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "0644 lock of root, start by nobody: status $status"
waitfor "the syslog line" grep -q -F "can't open $lock: Permission denied" "$syslog"
pass "another user's 0644 lock file"

# A link at the lock name is a failed open: status 1, its target untouched.
rm -f "$lock"
printf 'target' > /tmp/lock-target
ln -s /tmp/lock-target "$lock"
status=0
"$bin" >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "link at the lock: status $status"
[ "$(cat /tmp/lock-target)" = target ] || fail "lock link target changed"
waitfor "the syslog line" grep -q -F "can't open $lock: Too many levels of symbolic links" "$syslog"
pass "link at the lock name"

# Links at the other shared names are neither followed nor changed.
rm -f "$lock"
mkdir /tmp/outside
for name in auth scanApp.conf scanAppLog.log taliroLogDaemon.pid; do
    rm -f "$scan/$name"
    printf 'someone else' > "/tmp/outside/$name"
    chmod 0600 "/tmp/outside/$name"
    ln -s "/tmp/outside/$name" "$scan/$name"
done
start_shown
for name in auth scanApp.conf scanAppLog.log taliroLogDaemon.pid; do
    [ -L "$scan/$name" ] || fail "link $name replaced at start"
    [ "$(cat "/tmp/outside/$name")" = "someone else" ] || fail "target of $name changed"
    [ "$(stat -c %a "/tmp/outside/$name")" = 600 ] || fail "target of $name has a new mode"
done
pass "links at the shared names left alone"
kill -9 "$first"
wait "$first" 2>/dev/null || true

# Under a Chinese system locale the texts are Chinese.
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
start_shown "扫描仪"
grep -q "use chinese" /tmp/scanstudio.log || fail "no \"use chinese\" in the debug output"
pass "Chinese window title"
echo "all passed"
