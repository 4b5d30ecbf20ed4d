#!/bin/sh
# ScanLogViewer started from its real install root (run inside the private
# namespaces by the black-box test helper) on a private Xvfb: the lock file,
# the auth file and the log's mode before the login, a second start, a start
# while ScanStudio's lock is held, the login into the log window, and Cancel.
# With a file name, a screenshot of the logged-in window is saved there.
# Usage: start_blackbox.sh <install root> [screenshot.png]
set -eu
root=$1
shot=${2:-}
bin="${root}bin/ScanLogViewer"
scan="${root}scan"
lock="$scan/taliroLogDaemon.pid"
log="$scan/scanAppLog.log"
. "$(dirname "$0")/../../tools/blackbox-desktop.sh"
desktop_start 9
# The X platform plugin and its libraries are unloaded before the leak check
# at exit, which then cannot tell whose their allocations were; the viewer's
# own code is leak-checked in process (offscreen).
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

login_title="登录"
window_title="泰岚扫描日志"
# shown <variable> <title>: the running viewer shows a window of that title,
# whose id goes into the variable.
shown() {
    kill -0 "$viewer" 2>/dev/null || fail "the viewer ended: $(cat /tmp/viewer.log)"
    found=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1)
    [ -n "$found" ] && eval "$1=\$found"
}
no_window() { ! xdotool search --name "^$window_title\$" >/dev/null 2>&1; }
# Starts the viewer in the background ($viewer) and waits for its login dialog ($dialog).
start_login() {
    "$bin" >/tmp/viewer.log 2>&1 &
    viewer=$!
    started="$started $viewer"
    waitfor "the login dialog" shown dialog "$login_title"
}

# A log as ScanStudio leaves it, readable by its owner only.
mkdir -p "$scan"
{
    printf '%s\n' '{"computerName":"desk-1","fileName":"/home/ann/taliroScan/taliro_24-05-01-10-00-00.pdf","scanResult":"保存成功","scanTime":"24-05-01-10-00-00","userName":"ann"}'
    printf '%s\n' '{"computerName":"desk-2","fileName":"/home/bob/a \"quoted\" \\ name.jpg","scanResult":"未保存","scanTime":"24-05-02-11-30-00","userName":"bob"}'
    printf '%s\n' '{"computerName":"desk-1","fileName":"","scanResult":"save faile","scanTime":"24-05-03-09-15-42","userName":"ann"}'
} > "$log"
chmod 0600 "$log"

# ScanStudio's lock, held by another process, does not stop the viewer.
python3 - "$scan/talirodaemon.pid" /tmp/held <<'PY' &
import fcntl, sys, time
lock = open(sys.argv[1], "w")
fcntl.lockf(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
open(sys.argv[2], "w").write("held")
time.sleep(3600)
PY
started="$started $!"
waitfor "ScanStudio's lock" test -s /tmp/held

# First start: before the login the lock holds the pid, the auth file has the
# default login and the log is open to all; the log window is not made yet.
start_login
first=$viewer
printf '%s\0' "$first" | cmp -s - "$lock" || fail "lock file holds $(od -c "$lock")"
printf '{\n   "password" : "ODUyNg==",\n   "userName" : "admin"\n}\n\n' | cmp -s - "$scan/auth" \
    || fail "auth file holds $(od -c "$scan/auth")"
[ "$(stat -c %a "$log")" = 777 ] || fail "log has mode $(stat -c %a "$log") before the login"
no_window || fail "log window shown before the login"
pass "first start: lock, default auth file, log mode, login dialog"

# A second start ends by itself with status 0 and the system log line.
status=0
"$bin" >/dev/null 2>&1 </dev/null || status=$?
[ "$status" -eq 0 ] || fail "second start: status $status"
locked="file: $lock already locked"
waitfor "the syslog line" syslog_holds 1 "$locked"
grep -F "$locked" "$syslog" | grep -q '^<11>' || fail "syslog priority: $(cat "$syslog")"
printf '%s\0' "$first" | cmp -s - "$lock" || fail "lock file changed by a second start"
kill -0 "$first" || fail "first instance gone"
pass "second start: status 0, syslog line, lock kept"

# The default login opens the log window.
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 admin
xdotool key Tab
xdotool type --delay 20 8526
xdotool key Return
waitfor "the log window" shown window "$window_title"
pass "login: the log window"
if [ -n "$shot" ]; then
    sleep 0.5  # the first paint
    import -window "$window" "$shot"
    echo "screenshot: $shot"
fi
kill -9 "$first"
wait "$first" 2>/dev/null || true

# Cancel: the log is opened to all all the same, the program ends with
# status 0 and its window never exists.
chmod 0600 "$log"
start_login
[ "$(stat -c %a "$log")" = 777 ] || fail "log has mode $(stat -c %a "$log") before Cancel"
no_window || fail "log window made before the login"
xdotool mousemove --window "$dialog" 252 194 click 1
status=0
wait "$viewer" || status=$?
[ "$status" -eq 0 ] || fail "status $status after Cancel"
pass "cancel: status 0, no log window"
echo "all passed"
