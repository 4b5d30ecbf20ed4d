#!/bin/sh
# The test bed's CUPS backend, installed by cups-testbed.sh as "usb", "socket"
# and "talirosocket" in place of CUPS's own, so queues of those schemes are
# accepted and a job never reaches a device. It takes the job's data, then
# holds the job "printing" until the test releases it (cups-testbed.sh
# release-job) and ends when the job is cancelled, at once or after the
# delay set with cups-testbed.sh stop-delay. Files in the jobs
# folder: <job>.uri, <job>.data, <job>.printing while held, <job>.end
# ("released" or "canceled") at the end.
jobs=/var/cache/cups/run/jobs

# Without a job, CUPS asks for devices: there are none to offer.
[ "$#" -ge 5 ] || exit 0
job=$1
mkdir -p "$jobs"
waiter=
stop() {
    [ -z "$waiter" ] || kill "$waiter" 2>/dev/null
    # Like a device backend that finishes its transfer, it may take a while
    # (cups-testbed.sh stop-delay), in which CUPS shows the job stopping.
    delay=$(cat "$jobs/stop-delay" 2>/dev/null) || delay=0
    sleep "${delay:-0}"
    echo canceled >"$jobs/$job.end"
    rm -f "$jobs/$job.printing"
    exit 0
}
trap stop TERM
printf '%s\n' "$DEVICE_URI" >"$jobs/$job.uri"
if [ "$#" -ge 6 ]; then cat -- "$6"; else cat; fi >"$jobs/$job.data"
: >"$jobs/$job.printing"
# Ends with cupsd too, so no backend outlives its test bed.
while [ ! -e "$jobs/$job.release" ] && [ ! -e "$jobs/release-all" ] && kill -0 "$PPID" 2>/dev/null; do
    sleep 1 &
    waiter=$!
    wait "$waiter"
    waiter=
done
rm -f "$jobs/$job.printing"
echo released >"$jobs/$job.end"
exit 0
