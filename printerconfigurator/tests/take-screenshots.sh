#!/bin/sh
# Looks at PrinterConfigurator and FirmwareUpdater as a user sees them: the
# installed programs under Xvfb on sample printer files, in a private
# namespace so the host is never touched. Writes into <output folder>:
# configurator.png and firmwareupdater.png (the programs' windows as the
# window manager-less X server shows them), and configurator-<page>.png for
# every page of the configurator's window, the pages no button leads to
# included (grab-configurator-pages).
# Usage: take-screenshots.sh <build dir> <output folder> [<width>x<height>]
set -eu
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
. "$tools/screenshots-under-xvfb.sh"
# The sanitizer build keeps quiet about the caches fontconfig and dbus keep.
export QT_QPA_PLATFORM=xcb LSAN_OPTIONS="suppressions=$tools/lsan.supp"
"$build/printerassistant/tests/write-sample-files" "$ROOT"
"$build/printerconfigurator/tests/grab-configurator-pages" "$ROOT" "$out"

# Each program until its window is up, then a picture of that window.
shot() {
    program=$1 title=$2 file=$3
    "$ROOT/bin/$program" &
    pid=$!
    window=$(xdotool search --sync --name "$title" | head -n 1)
    sleep 1
    import -window "$window" "$out/$file"
    kill "$pid"
    wait "$pid" || true
}
shot PrinterConfigurator "泰岚激光打印工具" configurator.png
shot FirmwareUpdater "泰岚激光打印机升级助手" firmwareupdater.png
rm -rf "$HOME"
