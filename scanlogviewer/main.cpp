// ScanLogViewer: one instance per machine; the scan log window, shown after
// a login.

#include "logindialog.h"
#include "logwindow.h"
#include "single_instance.h"
#include "viewer_paths.h"
#include "viewer_startup.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTranslator>

int main(int argc, char *argv[])
{
    const QString root = viewer_paths::defaultInstallRoot();
    if (already_running(QFile::encodeName(viewer_paths::lockFile(root)).constData()) != 0)
        return 0;

    QApplication app(argc, argv);
    QFont font;
    GetAppFont(font);
    QApplication::setFont(font);
    QTranslator translator;
    installCatalogue(translator);

    // The window reads the log and sets its mode before the login.
    LoginDialog login(nullptr, root);
    MainWindow window(nullptr, root);
    if (login.exec() != QDialog::Accepted)
        return 0;
    window.show();
    return app.exec();
}
