// ScanStudio: one instance per machine, a font that shows Chinese, the
// Chinese texts on a Chinese system, then the main window.

#include "app_startup.h"
#include "app_stylesheet.h"
#include "mainwindow.h"
#include "single_instance.h"

#include <taliro/install_root.h>

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QTranslator>

#include <string>

int main(int argc, char *argv[])
{
    const std::string lockPath = std::string(taliro::kInstallRoot) + "scan/talirodaemon.pid";
    if (already_running(lockPath.c_str()) != 0)
        return 0;

    QApplication app(argc, argv);
    QFont font;
    GetAppFont(font);
    QApplication::setFont(font);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/new/resource/Taliro_Scan_Logo.ico")));

    QTranslator applicationTranslator;
    QTranslator qtTranslator;
    loadChineseCatalogues(applicationTranslator, qtTranslator);
    QApplication::installTranslator(&applicationTranslator);
    QApplication::installTranslator(&qtTranslator);

    MainWindow window;
    window.show();
    app.setStyleSheet(appStyleSheet());
    return app.exec();
}
