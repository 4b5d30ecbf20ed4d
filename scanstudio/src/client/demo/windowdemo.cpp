// The whole road through ScanStudio's real window, at the install root with
// the installed stand-in backend and recogniser, its buttons pressed through
// QTest as a user would: the scanner found, the save folder chosen on the
// advanced page, a feeder scan kept as PDF after corrections on the result
// page, in the detail viewer and in the border dialog, a flatbed page saved
// as JPG under a name of the user's, and the text of a printed page through
// the OCR action. A screenshot of every page and dialog, the saved files and
// the recognised text stay in the output folder; what happened is printed,
// with the scan log's lines and what pdfinfo and identify read from the files;
// the scan session's trace lines and Qt's warnings go to trace.log there.
//
// Usage: windowdemo --out <folder> [--flatbed] [--resolution <dpi>]
// (run it on the offscreen platform or on an X server; HOME is the user's
// home folder, where the window's default save folder lies)

#include "../tests/ModalAnswer.h"
#include "addfunctiondialog.h"
#include "app_startup.h"
#include "app_stylesheet.h"
#include "bgwidget.h"
#include "demo_report.h"
#include "demo_request.h"
#include "imageview.h"
#include "imgdetailwidget.h"
#include "mainwindow.h"
#include "paintingwidget.h"
#include "previewwidget.h"
#include "ui_imgdetailwidget.h"
#include "ui_mainwindow.h"

#include "VuroScanSDK.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGridLayout>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {

using Request = DemoRequest;

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Prints each step and remembers whether every check held.
class Road {
public:
    Road(MainWindow &window, const QString &out, std::FILE *report)
        : m_window(window)
        , m_ui(*window.ui)
        , m_out(out + "/")
        , m_report(report)
    {
    }

    void step(const char *what) { std::fprintf(m_report, "\n-- %s\n", what); }
    void say(const QString &text) { std::fprintf(m_report, "   %s\n", qPrintable(text)); }
    bool check(bool held, const char *what)
    {
        if (!held) {
            std::fprintf(m_report, "   FAILED: %s\n", what);
            m_ok = false;
        }
        return held;
    }
    bool ok() const { return m_ok; }

    void shoot(QWidget &widget, const char *name)
    {
        QCoreApplication::processEvents();
        const QString file = m_out + name + QStringLiteral(".png");
        if (check(widget.grab().save(file), name))
            say(QStringLiteral("screenshot ") + file);
    }

    PreviewWidget *tile(int index) const
    {
        auto *layout = qobject_cast<QGridLayout *>(m_ui.scrollAreaWidgetContents->layout());
        QLayoutItem *item = layout != nullptr ? layout->itemAtPosition(index, 0) : nullptr;
        return item != nullptr ? qobject_cast<PreviewWidget *>(item->widget()) : nullptr;
    }

    // Scan pressed; true once the job has ended and its thread returned.
    bool scan()
    {
        QSignalSpy ended(&m_window, &MainWindow::scanFinished);
        QTest::mouseClick(m_ui.pb_scan, Qt::LeftButton);
        return (ended.count() > 0 || ended.wait(120000)) &&
               QTest::qWaitFor([this] { return !m_window.pScanSDK->isRunning(); }, 30000);
    }

    // Each page's size as scanned and as its corrections leave it.
    void printPages()
    {
        vuro::Libimageprocess &pages = m_window.imageprocess;
        for (int i = 0; i < pages.getImageCount(); ++i) {
            const QSize scanned = pages.getImageSize(i);
            QImage *corrected = pages.getSaveImage(i, color_full);
            const QSize size = corrected != nullptr ? corrected->size() : QSize();
            pages.endImage(corrected);
            say(QStringLiteral("page %1: scanned %2 x %3, corrected %4 x %5 pixels")
                    .arg(i + 1)
                    .arg(scanned.width())
                    .arg(scanned.height())
                    .arg(size.width())
                    .arg(size.height()));
        }
    }

    // The lines of the scan log.
    QStringList logLines() const
    {
        QFile log(m_window.installPath("scan/scanAppLog.log"));
        if (!log.open(QIODevice::ReadOnly))
            return QStringList();
        return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QString lastLogLine() const { return logLines().value(logLines().size() - 1); }

    // Presses a button that ends in a message box, answers it with OK and
    // keeps a screenshot of it; returns the box's text.
    QString pressAndAnswer(QAbstractButton *button, const char *shot)
    {
        QString text;
        ModalAction<QMessageBox> answer([&](QMessageBox &box) {
            text = box.text();
            shoot(box, shot);
            box.button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        return text;
    }

    static QString tool(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        process.waitForFinished(60000);
        return QString::fromLocal8Bit(process.readAll()).trimmed();
    }

    MainWindow &m_window;
    Ui::MainWindow &m_ui;
    const QString m_out;

private:
    std::FILE *m_report;
    bool m_ok = true;
};

// A printed page of English and Chinese lines, as a flatbed would give it.
QImage printedPage()
{
    QImage page(1654, 2339, QImage::Format_RGB32);  // A4 at 200 dpi
    page.fill(Qt::white);
    page.setDotsPerMeterX(7874);
    page.setDotsPerMeterY(7874);
    QPainter painter(&page);
    painter.setPen(Qt::black);
    QFont latin(QStringLiteral("DejaVu Sans"));
    latin.setPixelSize(44);
    painter.setFont(latin);
    painter.drawText(160, 300, QStringLiteral("Scanned on the TX 560 feeder"));
    painter.drawText(160, 380, QStringLiteral("Every page is corrected before it is saved"));
    QFont chinese(QStringLiteral("WenQuanYi Micro Hei"));
    chinese.setPixelSize(60);
    painter.setFont(chinese);
    painter.drawText(160, 520, QString::fromUtf8("扫描仪自动进纸"));
    painter.drawText(160, 640, QString::fromUtf8("文字识别完成"));
    return page;
}

void runRoad(Road &road, const Request &request)
{
    MainWindow &window = road.m_window;
    Ui::MainWindow &ui = road.m_ui;

    road.step("ScanStudio starts and finds the scanner through the printer list");
    if (!road.check(QTest::qWaitFor([&] { return window.busyState == MainWindow::Idle && ui.cbx_scanners->count() > 0; },
                                    30000),
                    "a scanner is listed"))
        return;
    road.say(QStringLiteral("scanner: ") + ui.cbx_scanners->currentText());
    road.shoot(window, "01-main");

    road.step("the save folder is chosen on the advanced page (Browse)");
    QTest::mouseClick(ui.pb_advancedSettings, Qt::LeftButton);
    const QString folder = road.m_out + QStringLiteral("saved");
    QDir().mkpath(folder);
    {
        FileDialogAnswers folders({folder});
        QTest::mouseClick(ui.btn_selectSaveFilePath, Qt::LeftButton);
    }
    road.shoot(window, "02-advanced");
    QTest::mouseClick(ui.btn_asConfirm, Qt::LeftButton);
    if (!road.check(ui.txt_saveFilePath->text() == folder, "the save folder is set"))
        return;
    road.say(QStringLiteral("save folder: ") + ui.txt_saveFilePath->text());

    road.step(request.flatbed ? "a flatbed page is scanned for PDF" : "the feeder's pages are scanned for PDF");
    ui.cbx_scanSource->setCurrentIndex(request.flatbed ? 0 : 1);
    const int entry = ui.cbx_resolution->findText(QString::number(request.resolution) + QStringLiteral(" dpi"));
    ui.cbx_resolution->setCurrentIndex(entry >= 0 ? entry : 2);
    ui.cbx_saveType->setCurrentIndex(image_pdf);
    road.say(QStringLiteral("source %1, %2, %3").arg(ui.cbx_scanSource->currentText(), ui.cbx_resolution->currentText(),
                                                      ui.cbx_saveType->currentText()));
    if (!road.check(road.scan(), "the job ends"))
        return;
    road.say(ui.cover_text_center->text() + QStringLiteral(" ") + ui.cover_text_bottom->text());
    road.shoot(window, "03-keep-scanning");
    QTest::mouseClick(ui.pb_coverRight_2, Qt::LeftButton);  // finish
    if (!road.check(!ui.widget_imageProcess->isHidden() && window.imageprocess.getImageCount() > 0,
                    "the result page shows the pages"))
        return;
    road.printPages();
    road.shoot(window, "04-result");

    road.step("corrections on the result page");
    const int last = window.imageprocess.getImageCount() - 1;
    QTest::mouseClick(road.tile(last), Qt::LeftButton);
    QTest::mouseClick(ui.turnLeftBtn, Qt::LeftButton);
    ui.lightnessSlider->setValue(25);
    ui.constractSlider->setValue(15);
    ui.spx_gamma->setValue(1.4);
    road.say(QStringLiteral("page %1 turned left, brightness %2, contrast %3, gamma %4")
                 .arg(last + 1)
                 .arg(window.imageprocess.getBrightness(last))
                 .arg(window.imageprocess.getContract(last))
                 .arg(window.imageprocess.getGamma(last) / 10.0));
    road.printPages();
    road.shoot(window, "05-result-corrected");

    road.step("the detail viewer: zoom, pan and a turn");
    QTest::mouseClick(road.tile(0), Qt::LeftButton);
    ModalAction<ImgDetailWidget> viewer([&](ImgDetailWidget &dialog) {
        ImageView &view = *dialog.getImageView();
        dialog.form()->scaleUp->click();
        dialog.form()->scaleUp->click();
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPoint(140, 80), view.mapToGlobal(QPoint(140, 80)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(140, 80));
        road.say(QStringLiteral("zoom %1, pan %2, %3").arg(view.zoom()).arg(view.offsetX()).arg(view.offsetY()));
        road.shoot(dialog, "06-viewer");
        if (!dialog.form()->roat90->isHidden()) {
            dialog.form()->roat90->click();
            road.say(QStringLiteral("page 1 turned in the viewer: now %1 x %2")
                         .arg(view.image().width())
                         .arg(view.image().height()));
            road.shoot(dialog, "07-viewer-turned");
        }
        dialog.close();
    });
    QTest::mouseClick(ui.pb_viewDetail, Qt::LeftButton);
    road.check(viewer.count() == 1, "the viewer opened");

    road.step("the border dialog: page 2 cut to a chosen rectangle");
    QTest::mouseClick(road.tile(1), Qt::LeftButton);
    ModalAction<AddFunctionDialog> border([&](AddFunctionDialog &dialog) {
        RectWithBorder &crop = dialog.canvas()->paintingWidget()->rectWithBorder;
        crop.rect = QRect(QPoint(30, 40), QPoint(238, 330));
        crop.setCorner();
        road.shoot(dialog, "08-border");
        QTest::mouseClick(dialog.saveButton(), Qt::LeftButton);
    });
    ui.ckb_ElimBorder->click();
    road.check(border.count() == 1 && window.imageprocess.getElimBorder(1), "the border is set");
    const QRect cut = window.imageprocess.getElimBorderRect(1);
    road.say(QStringLiteral("border in page pixels: %1,%2 %3 x %4").arg(cut.x()).arg(cut.y()).arg(cut.width()).arg(cut.height()));
    road.printPages();
    road.shoot(window, "09-result-bordered");

    road.step("Save");
    const QString finished = road.pressAndAnswer(ui.btn_widget_imageprocess_save, "10-save-finished");
    road.check(finished == QStringLiteral("save Finished"), "the save finished");
    road.say(QStringLiteral("log: ") + road.lastLogLine());
    const QString pdf = QDir(road.m_out + QStringLiteral("saved")).entryList({QStringLiteral("*.pdf")}).value(0);
    if (road.check(!pdf.isEmpty(), "a PDF was written")) {
        const QString info = Road::tool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                                     QStringLiteral("-l"), QStringLiteral("99"),
                                                                     road.m_out + QStringLiteral("saved/") + pdf});
        for (const QString &line : info.split('\n')) {
            if (line.startsWith(QStringLiteral("Pages:")) ||
                (line.startsWith(QStringLiteral("Page ")) && line.contains(QStringLiteral(" size:"))))
                road.say(pdf + QStringLiteral(": ") + line.simplified());
        }
    }
    road.check(ui.widget_imageProcess->isHidden() && window.imageprocess.getImageCount() == 0,
               "back on the main page with the pages saved");

    road.step("a flatbed page saved as JPG under a name of the user's (Save other)");
    ui.cbx_scanSource->setCurrentIndex(0);
    ui.cbx_resolution->setCurrentIndex(entry >= 0 ? entry : 2);
    ui.cbx_saveType->setCurrentIndex(image_jpg);
    if (!road.check(road.scan() && !ui.widget_imageProcess->isHidden(), "the page is on the result page"))
        return;
    const QString typed = road.m_out + QStringLiteral("saved/letter_color.jpg");
    FileDialogAnswers names({typed});
    road.pressAndAnswer(ui.btn_widget_imageprocess_saveAs, "11-save-as-finished");
    road.say(QStringLiteral("typed ") + typed);
    road.say(QStringLiteral("log: ") + road.lastLogLine());
    const QString letter = road.m_out + QStringLiteral("saved/letter.jpg");
    if (road.check(QFile::exists(letter), "letter.jpg was written"))
        road.say(QStringLiteral("identify: ") + Road::tool(QStringLiteral("identify"), {letter}).section(' ', 1, 3));

    road.step("OCR: the text of a printed page into a text file");
    QImage page = printedPage();
    window.imageprocess.setDPI(200);
    window.imageprocess.appendImage(&page);
    window.showScanResultSlot();
    road.shoot(window, "12-printed-page");
    const QString textFile = road.m_out + QStringLiteral("page-text.txt");
    FileDialogAnswers textName({textFile});
    // The button is kept hidden; its action runs as a click would run it.
    ui.pb_ocr->click();
    if (road.check(QTest::qWaitFor([&] { return textName.count() == 1 && window.ocrThread == nullptr; }, 120000),
                   "the recogniser answered")) {
        QFile text(textFile);
        if (road.check(text.open(QIODevice::ReadOnly), "the text file was written")) {
            for (const QString &line : QString::fromUtf8(text.readAll()).split('\n', Qt::SkipEmptyParts))
                road.say(QStringLiteral("text: ") + line);
        }
    }
    ui.btn_widget_imageprocess_cancel->click();
}

}  // namespace

int main(int argc, char *argv[])
{
    Request request;
    if (!parseDemoArguments(argc, argv, request) || request.out.isEmpty()) {
        std::fprintf(stderr, "usage: %s --out <folder> [--flatbed] [--resolution <dpi>]\n", argv[0]);
        return 2;
    }
    std::FILE *report = nullptr;
    if (!QDir().mkpath(request.out) || !(report = reportHereTraceTo(QDir(request.out).filePath("trace.log")))) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], qPrintable(request.out));
        return 1;
    }
    QApplication app(argc, argv);
    qInstallMessageHandler(quietDebug);
    QFont font;
    GetAppFont(font);
    QApplication::setFont(font);

    // What PrintMonitorService publishes: the window watches its time.
    const QString root = MainWindow::defaultInstallRoot();
    QDir().mkpath(root + QStringLiteral("cfg"));
    QFile printerList(root + QStringLiteral("cfg/printerlist.ini"));
    if (!printerList.exists() && printerList.open(QIODevice::WriteOnly))
        printerList.close();

    bool ok = false;
    {
        MainWindow window;
        window.show();
        app.setStyleSheet(appStyleSheet());
        Road road(window, QDir(request.out).absolutePath(), report);
        runRoad(road, request);
        ok = road.ok();
    }
    std::fprintf(report, "\n%s\n", ok ? "every window step finished" : "some window checks failed (see FAILED above)");
    return ok ? 0 : 1;
}
