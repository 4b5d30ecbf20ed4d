#!/bin/sh
# A private cupsd for the tests, at CUPS's real paths: run it in its own mount
# namespace with tmpfs over /etc/cups, /var/spool/cups, /var/cache/cups and
# /var/log/cups, so the host's CUPS is never touched. It listens on a local
# socket only, writes printers.conf at once and does no browsing. Meant to run
# inside tools/private-ns.sh, so that the programs under test see the same
# /etc/cups and the installed /opt.
#
# Its backends "usb", "socket" and "talirosocket" are the test bed's own
# (backend.sh): a job is held "printing" until released, and never reaches a
# device.
#
# Usage:
#   cups-testbed.sh run [--seconds N] COMMAND [ARGS...]
#       start cupsd, run COMMAND, stop cupsd; exits with COMMAND's status.
#       cupsd ends by itself after N seconds (default 300)
#   cups-testbed.sh add-queue NAME URI MODEL
#       (inside run) create an enabled queue with a minimal PPD naming MODEL
#   cups-testbed.sh remove-queue NAME
#       (inside run) delete a queue
#   cups-testbed.sh ppd MODEL FILE
#       write the minimal PPD naming MODEL to FILE
#   cups-testbed.sh print-held QUEUE FILE
#       (inside run) send FILE as a raw job of the caller and wait until the
#       backend holds it printing; prints the job number
#   cups-testbed.sh release-job NUMBER|all
#       (inside run) let a held job (or every job, now and later) finish
#   cups-testbed.sh stop-delay SECONDS
#       (inside run) a cancelled job's backend takes this long to end (0 at start)
set -eu

state=/var/cache/cups/run
socket=$state/cups.sock
marker=/etc/cups/cups-testbed
jobs=$state/jobs
backend_dir=/usr/lib/cups/backend
backend_source=$(dirname "$0")/backend.sh
cupsd_seconds=300

die() {
    echo "cups-testbed: $*" >&2
    exit 2
}

need_test_cupsd() {
    # The queue commands talk to whatever cupsd the CUPS client finds: only ours.
    [ -e "$marker" ] || die "no test cupsd here: use $1 inside '$0 run'"
}

write_ppd() {
    # $1 model name, $2 file; the model name goes in as data, never as format.
    {
        printf '%s\n' '*PPD-Adobe: "4.3"' '*FormatVersion: "4.3"' '*FileVersion: "1.0"' \
            '*LanguageVersion: English' '*LanguageEncoding: ISOLatin1' '*PCFileName: "TALIRO.PPD"' \
            '*Manufacturer: "Taliro"'
        printf '*Product: "(%s)"\n*ModelName: "%s"\n*ShortNickName: "%s"\n*NickName: "%s"\n' "$1" "$1" "$1" "$1"
        printf '%s\n' '*PSVersion: "(3010.000) 0"' '*LanguageLevel: "3"' '*ColorDevice: False' \
            '*DefaultColorSpace: Gray' '*FileSystem: False' '*Throughput: "1"' \
            '*LandscapeOrientation: Plus90' '*TTRasterizer: Type42' \
            '*OpenUI *PageSize: PickOne' '*DefaultPageSize: A4' \
            '*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"' '*CloseUI: *PageSize' \
            '*DefaultPageRegion: A4' '*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"' \
            '*DefaultImageableArea: A4' '*ImageableArea A4/A4: "0 0 595 842"' \
            '*DefaultPaperDimension: A4' '*PaperDimension A4/A4: "595 842"'
    } >"$2"
}

write_config() {
    mkdir -p /etc/cups/ppd "$state"
    cat >/etc/cups/cups-files.conf <<EOF
SystemGroup root
StateDir $state
ErrorLog /var/log/cups/error_log
AccessLog /var/log/cups/access_log
PageLog /var/log/cups/page_log
EOF
    cat >/etc/cups/cupsd.conf <<EOF
LogLevel info
Listen $socket
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
DirtyCleanInterval 0
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
    # The CUPS commands of the programs under test find this cupsd here.
    printf 'ServerName %s\n' "$socket" >/etc/cups/client.conf
}

install_backends() {
    # cupsd runs only backends that root owns and others cannot write; mode
    # 0700 runs them as root.
    mount -t tmpfs -o mode=0755 tmpfs "$backend_dir"
    for scheme in usb socket talirosocket; do
        cp "$backend_source" "$backend_dir/$scheme"
        chmod 0700 "$backend_dir/$scheme"
    done
    mkdir -p "$jobs"
}

show_errors() {
    grep '^E' /var/log/cups/error_log >&2 2>/dev/null || true
}

start_cupsd() {
    for dir in /etc/cups /var/spool/cups /var/cache/cups /var/log/cups; do
        mount -t tmpfs -o mode=0755 tmpfs "$dir"
    done
    write_config
    install_backends
    # cupsd ends by itself even if nobody stops it. The time limit's pid has
    # a file of its own: cupsd writes its own pid to cupsd.pid in the same
    # folder, and a reader could meet that file half written.
    timeout "$cupsd_seconds" cupsd -f >/var/log/cups/cupsd.out 2>&1 &
    limit_pid=$!
    echo "$limit_pid" >"$state/testbed-cupsd.pid"
    : >"$marker"
    tries=0
    # Its answer is read in English whatever the caller's language.
    until LC_ALL=C lpstat -r 2>/dev/null | grep -q 'is running'; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ] || ! kill -0 "$limit_pid" 2>/dev/null; then
            show_errors
            cat /var/log/cups/cupsd.out >&2 2>/dev/null || true
            die "cupsd did not start"
        fi
        sleep 0.1
    done
}

stop_cupsd() {
    # The time limit passes the request to stop on to cupsd and ends with it.
    [ -n "${limit_pid:-}" ] || return 0
    kill "$limit_pid" 2>/dev/null || return 0
    tries=0
    while kill -0 "$limit_pid" 2>/dev/null && [ "$tries" -lt 50 ]; do
        tries=$((tries + 1))
        sleep 0.1
    done
    if kill -0 "$limit_pid" 2>/dev/null; then
        kill -9 "$(cat "$state/cupsd.pid" 2>/dev/null)" "$limit_pid" 2>/dev/null || true
    fi
}

[ "$#" -ge 1 ] || die "usage: $0 run [--seconds N] COMMAND... | add-queue NAME URI MODEL | remove-queue NAME | ppd MODEL FILE | print-held QUEUE FILE | release-job NUMBER|all | stop-delay SECONDS"
command=$1
shift
case "$command" in
run)
    if [ "${1:-}" = --seconds ]; then
        [ "$#" -ge 2 ] && [ "$2" -gt 0 ] 2>/dev/null || die "--seconds needs a number of seconds"
        cupsd_seconds=$2
        shift 2
    fi
    [ "$#" -ge 1 ] || die "run needs a command"
    # A mount namespace of its own: the tmpfs mounts never reach the caller's.
    exec unshare --mount --propagation private sh "$0" inside "$cupsd_seconds" "$@"
    ;;
inside)
    # Only in the mount namespace that run made: never over the caller's /etc/cups.
    # A caller whose namespace cannot be read (gone already) counts as the same.
    own=$(readlink /proc/self/ns/mnt) || die "cannot read the mount namespace"
    caller=$(readlink "/proc/$PPID/ns/mnt") || caller=$own
    [ "$own" != "$caller" ] || die "inside is for run alone"
    cupsd_seconds=$1
    shift
    trap stop_cupsd EXIT
    trap 'exit 143' HUP INT TERM
    start_cupsd
    status=0
    "$@" || status=$?
    [ "$status" -eq 0 ] || show_errors
    exit "$status"
    ;;
add-queue)
    [ "$#" -eq 3 ] || die "usage: $0 add-queue NAME URI MODEL"
    need_test_cupsd add-queue
    ppd=$(mktemp /tmp/cups-testbed-XXXXXX.ppd)
    write_ppd "$3" "$ppd"
    errors=$ppd.err
    status=0
    lpadmin -p "$1" -E -v "$2" -P "$ppd" 2>"$errors" || status=$?
    # lpadmin warns about every PPD; show what it says only when it fails.
    [ "$status" -eq 0 ] || cat "$errors" >&2
    rm -f "$ppd" "$errors"
    [ "$status" -eq 0 ] || die "lpadmin refused queue $1"
    ;;
remove-queue)
    [ "$#" -eq 1 ] || die "usage: $0 remove-queue NAME"
    need_test_cupsd remove-queue
    lpadmin -x "$1" || die "lpadmin could not remove queue $1"
    ;;
ppd)
    [ "$#" -eq 2 ] || die "usage: $0 ppd MODEL FILE"
    write_ppd "$1" "$2"
    ;;
print-held)
    [ "$#" -eq 2 ] || die "usage: $0 print-held QUEUE FILE"
    need_test_cupsd print-held
    # "request id is Q1-3 (1 file(s))"
    id=$(LC_ALL=C lp -d "$1" -o raw "$2" | sed -n 's/^request id is \(.*\) ([0-9]* file(s))$/\1/p')
    number=${id##*-}
    case "$number" in '' | *[!0-9]*) die "lp gave no job for queue $1" ;; esac
    tries=0
    until [ -e "$jobs/$number.printing" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 200 ] || die "job $id was not taken by the backend"
        sleep 0.05
    done
    echo "$number"
    ;;
release-job)
    [ "$#" -eq 1 ] || die "usage: $0 release-job NUMBER|all"
    need_test_cupsd release-job
    case "$1" in
    all) : >"$jobs/release-all" ;;
    '' | *[!0-9]*) die "release-job needs a job number or all" ;;
    *) : >"$jobs/$1.release" ;;
    esac
    ;;
stop-delay)
    [ "$#" -eq 1 ] || die "usage: $0 stop-delay SECONDS"
    need_test_cupsd stop-delay
    case "$1" in '' | *[!0-9]*) die "stop-delay needs whole seconds" ;; esac
    printf '%s\n' "$1" >"$jobs/stop-delay"
    ;;
*)
    die "unknown command $command"
    ;;
esac
