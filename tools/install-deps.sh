#!/bin/sh
# Installs every Debian package the build, the tests, the benchmarks and the demo need.
# Idempotent: run it as root on a fresh Debian 12 machine or again on a prepared one.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config git
clang libclang-rt-14-dev
googletest libgtest-dev libgmock-dev
qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev
libsane-dev libtiff-dev zlib1g-dev libminizip-dev libjsoncpp-dev librapidxml-dev libusb-1.0-0-dev
libopencv-dev
libtiff-tools qpdf poppler-utils unzip zip img2pdf libxml2-utils libjpeg-turbo-progs
socat iproute2 util-linux procps python3 locales
cups cups-client cups-bsd
umockdev libumockdev-dev
xvfb xauth x11-apps imagemagick trayer xdotool
qttranslations5-l10n fonts-droid-fallback fonts-dejavu-core python3-fonttools
tesseract-ocr tesseract-ocr-osd tesseract-ocr-eng tesseract-ocr-chi-sim fonts-wqy-microhei
fonts-wqy-zenhei fonts-crosextra-caladea
"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # shellcheck disable=SC2086
    apt-get install -y --no-install-recommends $missing
fi

# A decimal-comma locale for the tests that check number formatting.
locale -a | grep -qx 'de_DE.utf8' || localedef -i de_DE -f UTF-8 de_DE.UTF-8
# A Chinese locale for ScanStudio's translated texts.
locale -a | grep -qx 'zh_CN.utf8' || localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
