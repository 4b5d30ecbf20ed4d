#!/bin/sh
# Demo step: the printer side, PrintMonitorService against a private cupsd
# with two queues and the simulated printer (tools/demo-printmonitor.sh, run
# in the test bed's cupsd inside this demo's namespaces).
set -eu
build=$1 root=$2
top=$(cd "$(dirname "$0")/../../.." && pwd)
sh "$top/printer-common/testbed/cups-testbed.sh" run sh "$top/tools/demo-printmonitor.sh" --inside "$build" "$root"
