// Takes a screenshot of each page of the main window and of its cover, as
// the X server shows them (run under Xvfb): main.png, preview.png (after a
// preview scan, with the crop frame), advanced.png, result.png, cover.png
// (scanning) and keepscan.png (the question whether to go on) in the given
// folder. The window runs on a temporary install root with the stand-in
// backend, which it finds through a printer list file.
// Usage: window_screenshots <output folder>

#include "app_startup.h"
#include "app_stylesheet.h"
#include "bgwidget.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <temp_folder.h>

#include <QApplication>
#include <QFont>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <filesystem>

namespace {

bool shoot(MainWindow &window, const QString &file)
{
    QTest::qWait(300);
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    return shot.save(file);
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    // The program's font, as its start-up chooses it.
    QFont font;
    GetAppFont(font);
    QApplication::setFont(font);
    const QString out = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');

    testsupport::TempFolder root;
    std::filesystem::create_directories(root.file("scan/tmp"));
    std::filesystem::create_symlink(STANDIN_BACKEND, root.file("scan/sane-taliro-q804.so"));
    std::filesystem::create_directories(root.file("cfg"));
    root.write("cfg/printerlist.ini", "");

    bool saved = true;
    {
        MainWindow window(nullptr, QString::fromStdString(root.dir()));
        window.show();
        app.setStyleSheet(appStyleSheet());
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        Ui::MainWindow &ui = *window.ui;
        if (!QTest::qWaitFor([&] { return window.busyState == MainWindow::Idle && ui.cbx_scanners->count() > 0; },
                             10000))
            return 1;
        saved &= shoot(window, out + "main.png");

        QSignalSpy ended(&window, &MainWindow::scanFinished);
        QTest::mouseDClick(window.bgWidget, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        if (!ended.wait(20000))
            return 1;
        saved &= shoot(window, out + "preview.png");

        ui.pb_advancedSettings->click();
        saved &= shoot(window, out + "advanced.png");

        ui.wgt_advancedSettings->hide();
        ui.widget_imageProcess->show();
        saved &= shoot(window, out + "result.png");

        ui.widget_imageProcess->hide();
        ui.widget_mainFrame->show();
        window.scanPageNo = 2;
        window.genScaningDialog();
        ui.pgb_scanProgress->setValue(50);
        ui.cover_widget->show();
        saved &= shoot(window, out + "cover.png");

        window.genKeepScaningDialog();
        saved &= shoot(window, out + "keepscan.png");
    }
    return saved ? 0 : 1;
}
