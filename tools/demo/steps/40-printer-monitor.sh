#!/bin/sh
# Demo step: the printer side, PrintMonitorService against a private cupsd
# with two queues and the simulated printer (tools/demo-printmonitor.sh, run
# in the test bed's cupsd inside this demo's namespaces). The service's files
# and the simulated printer's log stay in this step's folder.
set -eu
build=$1 root=$2 out=$3
top=$(cd "$(dirname "$0")/../../.." && pwd)
sh "$top/printer-common/testbed/cups-testbed.sh" run sh "$top/tools/demo-printmonitor.sh" --inside "$build" "$root" "$out"
