// PrinterConfigurator: sets a printer's network settings and runs cleaning
// and alignment through the printer's command frames.

#include "widget.h"

#include "usb_ops.h"

#include <taliro/install_root.h>

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Widget window(ConfiguratorContext{QString::fromUtf8(taliro::kInstallRoot), &libusbOps()});
    window.show();
    return app.exec();
}
