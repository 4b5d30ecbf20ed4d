#!/bin/sh
# Looks at the installed assistant as a user sees it: under Xvfb with a real
# tray host (trayer), on sample printer files, in a private namespace so the
# host is never touched. Writes window-balloon.png (the window, the tray icon
# and a balloon) and tray-menu.png (the tray icon's menu) into <output folder>.
# Usage: take-screenshots.sh <build dir> <output folder> [<width>x<height>]
set -eu
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
. "$tools/screenshots-under-xvfb.sh"
width=${size%x*}
trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
    --transparent false --tint 0x303030 &
tray=$!
sleep 1
"$build/printerassistant/tests/write-sample-files" "$ROOT"
"$ROOT/bin/PrinterAssistant" &
assistant=$!
# The first status reads come within a second or two; a balloon stays 3 s.
sleep 2.5
import -window root "$out/window-balloon.png"
sleep 3
xdotool mousemove $((width - 12)) 16 click 3
sleep 1
import -window root "$out/tray-menu.png"
kill "$assistant" "$tray"
rm -rf "$HOME"
