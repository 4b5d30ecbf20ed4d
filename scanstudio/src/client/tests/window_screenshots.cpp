// Takes a screenshot of each page of the main window and of its cover, as
// the X server shows them (run under Xvfb): main.png, advanced.png,
// result.png and cover.png in the given folder. The window runs on a
// temporary install root with the stand-in backend.
// Usage: window_screenshots <output folder>

#include "app_stylesheet.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <temp_folder.h>

#include <QApplication>
#include <QScreen>
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
    const QString out = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');

    testsupport::TempFolder root;
    std::filesystem::create_directories(root.file("scan/tmp"));
    std::filesystem::create_symlink(STANDIN_BACKEND, root.file("scan/sane-taliro-q804.so"));

    bool saved = true;
    {
        MainWindow window(nullptr, QString::fromStdString(root.dir()));
        window.show();
        app.setStyleSheet(appStyleSheet());
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        Ui::MainWindow &ui = *window.ui;
        ui.cbx_scanners->addItem(QStringLiteral("TX 560MDW"));
        saved &= shoot(window, out + "main.png");

        ui.pb_advancedSettings->click();
        saved &= shoot(window, out + "advanced.png");

        ui.wgt_advancedSettings->hide();
        ui.widget_imageProcess->show();
        saved &= shoot(window, out + "result.png");

        ui.widget_imageProcess->hide();
        ui.widget_mainFrame->show();
        window.initCoverWidget();
        ui.cover_text_center->setText(QCoreApplication::translate("MainWindow", "scanning..."));
        ui.pgb_scanProgress->setFormat(QStringLiteral("page 2:%p%"));
        ui.pgb_scanProgress->setValue(50);
        ui.pgb_scanProgress->show();
        ui.pb_coverRight_2->setText(QCoreApplication::translate("MainWindow", "cancel"));
        ui.pb_coverRight_2->show();
        ui.cover_widget->show();
        saved &= shoot(window, out + "cover.png");
    }
    return saved ? 0 : 1;
}
