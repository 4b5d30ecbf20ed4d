// FirmwareUpdater: sends a firmware image to a USB printer.

#include "widget.h"

#include "usb_ops.h"

#include <taliro/install_root.h>

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Widget window(FirmwareContext{QString::fromUtf8(taliro::kInstallRoot), &libusbOps()});
    window.show();
    return app.exec();
}
