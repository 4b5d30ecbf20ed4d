#!/bin/sh
# The printer side of the demo: the installed PrintMonitorService, as root,
# against a private cupsd with two queues made by lpadmin: "Office", a
# network TX 560MDW at the simulated printer on 127.0.0.2, and "Lab", a
# TX 560PDN on 127.0.0.3 where no printer answers. All of it runs in a private
# mount and network namespace (tools/private-ns.sh), so the host's CUPS and
# install root are never touched. Prints the queues, what the service wrote
# in cfg/, the printer list and the status it polled, decoded; with an output
# folder, the service's files and the simulated printer's log are kept there.
# Usage: demo-printmonitor.sh <build dir> <install root> [<output folder>]
# (tools/demo.sh runs it)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
testbed=$top/printer-common/testbed/cups-testbed.sh

if [ "${1:-}" != --inside ]; then
    [ "$#" -eq 2 ] || [ "$#" -eq 3 ] || { echo "usage: $0 <build dir> <install root> [<output folder>]" >&2; exit 2; }
    exec sh "$top/tools/private-ns.sh" sh "$top/tools/with-private-tmp.sh" sh "$top/tools/with-install.sh" "$1" "$2" \
        sh "$testbed" run sh "$0" --inside "$@"
fi
build=$2 root=${3%/} out=${4:-}

work=$(mktemp -d)
pids=
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# The simulated printer answers every status query with a sample reply from a
# TX 560MDW: printing, toner 99.50 %, front cover open, tray empty, toner low.
cp "$top/printer-common/fuzz/corpus/status_reply/sample_reply.bin" "$work/reply.bin"
"$build/standins/printer-sim/printer-sim" --address 127.0.0.2 --reply "$work/reply.bin" \
    --log "$work/printer-sim.log" --max-seconds 120 &
pids="$pids $!"
"$testbed" add-queue Office 'socket://127.0.0.2:9100' 'Taliro TX 560MDW'
"$testbed" add-queue Lab 'talirosocket://127.0.0.3:9100' 'Taliro TX 560PDN'
echo "-- CUPS queues (lpadmin)"
LC_ALL=C lpstat -v

"$root/bin/PrintMonitorService" &
pids="$pids $!"
tries=0
until [ -e "$root/cfg/Office.dat" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 300 ] || { echo "the service wrote no status for Office" >&2; exit 1; }
    sleep 0.1
done
echo "-- what the service wrote in $root/cfg/"
LC_ALL=C ls -l "$root/cfg"
"$build/printmonitorservice/demo/printerstatus" "$root"
echo "-- the simulated printer's log"
head -n 2 "$work/printer-sim.log"
if [ -n "$out" ]; then
    cp "$root/cfg/printerlist.ini" "$root/cfg/Office.dat" "$root/cfg/service.hb" "$work/printer-sim.log" "$out/"
    echo "The service's files and the simulated printer's log are in $out."
fi
