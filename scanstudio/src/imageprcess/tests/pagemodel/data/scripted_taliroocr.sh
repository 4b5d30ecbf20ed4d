#!/bin/sh
# A scripted text recogniser for the tests, installed as <root>/bin/taliroocr.
# It logs its arguments to <root>/argv.log, one per line and "--" after each
# run, and answers from the files the test puts in <root>:
#   version.status    exit status of the "-v" probe (default 0)
#   recognise.status  exit status of a recognition (default 0)
#   text              what a recognition writes to <base>.txt
#   osd               what orientation detection writes to <base>.osd
#   hold              while it exists, a recognition waits before it answers
#   output.kind       "pipe" or "link": its output is a pipe, or a link to
#                     <root>/victim, instead of a file
# Each recognition or orientation run appends the mode and path of the page
# image's folder to <root>/folders.log.
root=$(dirname "$0")/..
for argument in "$@"; do
    printf '%s\n' "$argument"
done >>"$root/argv.log"
echo -- >>"$root/argv.log"
status() {
    cat "$root/$1" 2>/dev/null || echo 0
}
# answer <file to fill from> <output file>
answer() {
    case "$(cat "$root/output.kind" 2>/dev/null)" in
    pipe) mkfifo "$2" ;;
    link) ln -s "$root/victim" "$2" ;;
    *) cat "$root/$1" >"$2" ;;
    esac
}
if [ "$3" = "-v" ]; then
    printf 'tesseract 5.9.1\n leptonica-1.82.0\n'
    exit "$(status version.status)"
fi
folder=$(dirname "$3")
printf '%s %s\n' "$(stat -c %a "$folder")" "$folder" >>"$root/folders.log"
if [ "$5" = "--psm" ]; then
    answer osd "$4.osd"
    exit 0
fi
while [ -e "$root/hold" ]; do
    sleep 0.05
done
echo "recognising $3" >&2
answer text "$4.txt"
exit "$(status recognise.status)"
