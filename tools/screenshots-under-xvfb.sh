# Sourced by the printer programs' take-screenshots.sh, with `tools` set to
# this folder: reads their arguments (<build dir> <output folder> [WxH]) into
# build, out and size, and runs the calling script again in a private
# namespace, with the build installed at the install root ($ROOT) and an
# Xvfb screen of that size; there HOME is a fresh folder.
[ "$#" -ge 2 ] || { echo "usage: $0 <build dir> <output folder> [WxH]" >&2; exit 2; }
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
