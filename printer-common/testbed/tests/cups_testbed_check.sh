#!/bin/sh
# Runs inside cups-testbed.sh run: creates queues as the printer-side tests do
# and checks what cupsd wrote at its real paths.
set -eu
testbed=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$testbed" add-queue Q1 'usb://Taliro/TX%20560MDW?serial=ABC123' 'Taliro TX 560MDW'
"$testbed" add-queue N1 'socket://127.0.0.2:9100' 'Taliro TX 560PDN'
"$testbed" add-queue Q9 'socket://127.0.0.3:9100' 'Other Laser 9'
# A queue name that a shell would run; the harness must pass it as data.
"$testbed" add-queue 'Q$(touch${IFS}ran)' 'socket://127.0.0.4:9100' 'Taliro TX 560MDA'
[ ! -e ran ] || fail "a queue name was run as a command"

# cupsd writes printers.conf at once (no sleep here), owned by root:lp, 0600.
conf=/etc/cups/printers.conf
[ -f "$conf" ] || fail "no $conf"
[ "$(stat -c '%a %U:%G' "$conf")" = "600 root:lp" ] || fail "mode of $conf: $(stat -c '%a %U:%G' "$conf")"
block() {
    # The lines of one queue's block, from its opening line to its closing one.
    awk -v open="<Printer $1>" '$0 == open { on = 1 } on { print } on && $0 == "</Printer>" { exit }' "$conf"
}
expect_in_block() {
    block "$1" | grep -qxF "$2" || fail "queue $1 lacks '$2' in $conf: $(block "$1")"
}
expect_in_block Q1 'DeviceURI usb://Taliro/TX%20560MDW?serial=ABC123'
expect_in_block Q1 'MakeModel Taliro TX 560MDW'
expect_in_block N1 'DeviceURI socket://127.0.0.2:9100'
expect_in_block N1 'MakeModel Taliro TX 560PDN'
expect_in_block Q9 'MakeModel Other Laser 9'
expect_in_block 'Q$(touch${IFS}ran)' 'DeviceURI socket://127.0.0.4:9100'

for queue in Q1:'Taliro TX 560MDW' N1:'Taliro TX 560PDN' Q9:'Other Laser 9'; do
    name=${queue%%:*} model=${queue#*:}
    ppd=/etc/cups/ppd/$name.ppd
    [ -f "$ppd" ] || fail "no $ppd"
    grep -qxF "*ModelName: \"$model\"" "$ppd" || fail "$ppd does not name $model"
    grep -qxF "*NickName: \"$model\"" "$ppd" || fail "$ppd nick name is not $model"
done

LC_ALL=C lpstat -v >lpstat.out
cat >lpstat.expected <<'LIST'
device for N1: socket://127.0.0.2:9100
device for Q$(touch${IFS}ran): socket://127.0.0.4:9100
device for Q1: usb://Taliro/TX%20560MDW?serial=ABC123
device for Q9: socket://127.0.0.3:9100
LIST
cmp -s lpstat.out lpstat.expected || fail "lpstat -v: $(cat lpstat.out)"

# The backends of the schemes the printer side uses are the bed's own: they
# take jobs, hold them printing until released, and end on cancel.
backends=/usr/lib/cups/backend
for scheme in usb socket talirosocket; do
    [ "$(stat -c '%a %U' "$backends/$scheme")" = "700 root" ] || fail "backend $scheme: $(stat -c '%a %U' "$backends/$scheme")"
    cmp -s "$backends/$scheme" "$(dirname "$testbed")/backend.sh" || fail "backend $scheme is not the bed's"
done
wait_end() {
    # $1 job number, $2 the end it must reach
    tries=0
    until [ "$(cat "$jobs/$1.end" 2>/dev/null)" = "$2" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || fail "job $1 did not end $2"
        sleep 0.1
    done
}
jobs=/var/cache/cups/run/jobs
"$testbed" add-queue T1 'talirosocket://127.0.0.5:9100' 'Taliro TX 560MDA'
printf 'page one\n' >job.txt
held=$("$testbed" print-held T1 "$work/job.txt")
[ "$(cat "$jobs/$held.uri")" = 'talirosocket://127.0.0.5:9100' ] || fail "job $held uri: $(cat "$jobs/$held.uri")"
cmp -s "$jobs/$held.data" job.txt || fail "job $held data differ"
LC_ALL=C lpstat -p T1 | grep -q "^printer T1 now printing T1-$held\." || fail "T1 not printing: $(LC_ALL=C lpstat -p T1)"
"$testbed" release-job "$held"
wait_end "$held" released
second=$("$testbed" print-held Q1 "$work/job.txt")
cancel "Q1-$second"
wait_end "$second" canceled
# A backend slow to stop: meanwhile CUPS shows the cancelled job stopping.
"$testbed" stop-delay 2
third=$("$testbed" print-held Q1 "$work/job.txt")
cancel "Q1-$third"
LC_ALL=C lpstat -W all -l -o Q1 | grep -q "Alerts: processing-to-stop-point" ||
    fail "no stopping job: $(LC_ALL=C lpstat -W all -l -o Q1)"
wait_end "$third" canceled
"$testbed" stop-delay 0
# cupsd lives as long as run was told (300 s without --seconds).
limit=$(tr '\0' '\n' <"/proc/$(cat /var/cache/cups/run/testbed-cupsd.pid)/cmdline" | sed -n 2p)
[ "$limit" = 300 ] || fail "cupsd time limit: $limit"

# A second queue change is in printers.conf at once as well.
"$testbed" remove-queue Q9
! grep -q '^<Printer Q9>' "$conf" || fail "deleted Q9 still in $conf"

# The harness's inner step refuses to mount over the namespace it was called from.
if sh "$testbed" inside true 2>/dev/null; then
    fail "inside ran in its caller's mount namespace"
fi
# Where no test cupsd runs (here: a bare /etc/cups), the queue commands refuse
# before any CUPS client could reach another cupsd.
for step in 'add-queue Q2 socket://127.0.0.5:9100 Other' 'remove-queue N1'; do
    # shellcheck disable=SC2086 # the step's words are the arguments
    if unshare --mount --propagation private sh -c 'mount -t tmpfs tmpfs /etc/cups && exec sh "$@"' refuse \
        "$testbed" $step 2>refused.err; then
        fail "$step ran without the test cupsd"
    fi
    grep -q 'no test cupsd here' refused.err || fail "$step: $(cat refused.err)"
done
block N1 | grep -q . || fail "N1 went with the refused removal"

echo "cups test bed ok"
