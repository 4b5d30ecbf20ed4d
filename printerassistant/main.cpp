#include "assistant_start.h"
#include "printerassistantwidget.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    QLockFile instanceLock(InstanceLockPath(QDir::homePath()));
    if (CheckIsRunning(instanceLock)) {
        ShowAlreadyRunningBox();
        return 0;
    }

    // Closing the window only hides it: the assistant lives on in the tray
    // until its menu's "退出".
    QApplication::setQuitOnLastWindowClosed(false);
    PrinterAssistantWidget widget;
    if (CheckIsHide(argc, argv))
        widget.hide();
    else
        widget.show();
    return app.exec();
}
