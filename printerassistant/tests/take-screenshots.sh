#!/bin/sh
# Looks at the installed assistant as a user sees it: under Xvfb with a real
# tray host (trayer), on sample printer files, in a private namespace so the
# host is never touched. Writes window-balloon.png (the window, the tray icon
# and a balloon) and tray-menu.png (the tray icon's menu) into <output folder>.
# Usage: take-screenshots.sh <build dir> <output folder> [<width>x<height>]
set -eu
[ "$#" -ge 2 ] || { echo "usage: $0 <build dir> <output folder> [WxH]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../tools" && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
size=${3:-1280x800}

if [ "${TAKE_SCREENSHOTS_INSIDE:-}" != 1 ]; then
    root=$(sed -n 's/^TALIRO_INSTALL_ROOT:[A-Z]*=//p' "$build/CMakeCache.txt")
    exec env TAKE_SCREENSHOTS_INSIDE=1 ROOT="$root" "$tools/private-ns.sh" "$tools/with-install.sh" "$build" "$root" \
        xvfb-run -a -s "-screen 0 ${size}x24" sh "$0" "$build" "$out" "$size"
fi

HOME=$(mktemp -d)
export HOME QT_XCB_GL_INTEGRATION=none
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
