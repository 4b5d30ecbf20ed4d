#!/bin/sh
# A stand-in lpstat for tests, copied as "lpstat" into a folder of its own
# (testbed::LpstatStandin) that a test puts first on a program's PATH. It
# appends its arguments, joined by blanks, as one line to calls.log beside it,
# and prints printer.out for "lpstat -p ..." and jobs.out for any other call
# (either may be missing: no output).
dir=$(dirname "$0")
printf '%s\n' "$*" >>"$dir/calls.log"
case "${1:-}" in
-p) out=$dir/printer.out ;;
*) out=$dir/jobs.out ;;
esac
[ ! -f "$out" ] || cat "$out"
