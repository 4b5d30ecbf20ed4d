// The window at the real install root (each case in its own private
// namespaces with the build installed on a tmpfs over /opt), with the
// installed stand-in backend and recogniser: a feeder scan, a correction and
// a Save per format, read back by independent tools, with a log line each;
// and the OCR action through the tesseract-backed recogniser on a rendered
// page of Chinese words.

#include "ModalAnswer.h"
#include "mainwindow.h"
#include "previewwidget.h"
#include "ui_mainwindow.h"

#include "VuroScanSDK.h"

#include <temp_folder.h>

#include <QFont>
#include <QGridLayout>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

const QString kHome = QStringLiteral("/opt/home-of-ann");

// The output of an independent tool; its exit status in `status`.
QString run(const QString &program, const QStringList &arguments, int *status = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (status != nullptr)
        *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

class Road : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(kHome.toStdString());
        qputenv("HOME", kHome.toUtf8());
        const QString printerList = MainWindow::defaultInstallRoot() + "cfg/printerlist.ini";
        fs::create_directories(fs::path(printerList.toStdString()).parent_path());
        testsupport::writeText(printerList.toStdString(), "[Main]\nCount=0\n");
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return window->busyState == MainWindow::Idle && window->ui->cbx_scanners->count() > 0; },
            20000));
    }

    void TearDown() override { window.reset(); }

    std::string logText() const
    {
        return testsupport::readText((MainWindow::defaultInstallRoot() + "scan/scanAppLog.log").toStdString());
    }

    PreviewWidget *tile(int index) const
    {
        auto *layout = qobject_cast<QGridLayout *>(window->ui->scrollAreaWidgetContents->layout());
        QLayoutItem *item = layout != nullptr ? layout->itemAtPosition(index, 0) : nullptr;
        return item != nullptr ? qobject_cast<PreviewWidget *>(item->widget()) : nullptr;
    }

    std::unique_ptr<MainWindow> window;
};

// Page sizes (width x height) the tools report, in page order.
QList<QSize> pdfPageSizes(const QString &file)
{
    QList<QSize> sizes;
    const QString info = run("pdfinfo", {"-f", "1", "-l", "99", file});
    const QRegularExpression size("Page +\\d+ size: +([\\d.]+) x ([\\d.]+) pts");
    for (auto it = size.globalMatch(info); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        sizes << QSize(qRound(m.captured(1).toDouble()), qRound(m.captured(2).toDouble()));
    }
    return sizes;
}

QList<QSize> tiffPageSizes(const QString &file)
{
    QList<QSize> sizes;
    const QString info = run("tiffinfo", {file});
    const QRegularExpression size("Image Width: (\\d+) Image Length: (\\d+)");
    for (auto it = size.globalMatch(info); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        sizes << QSize(m.captured(1).toInt(), m.captured(2).toInt());
    }
    return sizes;
}

QSize imageSize(const QString &file)
{
    const QStringList words = run("identify", {"-format", "%m %w %h", file}).split(' ');
    return words.value(0) == "JPEG" ? QSize(words.value(1).toInt(), words.value(2).toInt()) : QSize();
}

// Three feeder pages per format, the second one turned, saved by the Save
// button under the default naming rule into the home folder's taliroScan.
TEST_F(Road, ScanCorrectAndSaveOnceInEachFormat)
{
    Ui::MainWindow &ui = *window->ui;
    const QString folder = kHome + "/taliroScan/";
    ui.cbx_scanSource->setCurrentIndex(1);
    ui.cbx_resolution->setCurrentIndex(0);  // 75 dpi
    const int saveTypes[] = {4, 3, 5, 0};  // PDF, TIF, OFD, JPG
    int lines = 0;
    for (int saveType : saveTypes) {
        ui.cbx_saveType->setCurrentIndex(saveType);
        const QString extension = ui.cbx_saveType->currentText().toLower();
        SCOPED_TRACE(extension.toStdString());
        QSignalSpy ended(window.get(), &MainWindow::scanFinished);
        ui.pb_scan->click();
        ASSERT_TRUE(ended.wait(60000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->pScanSDK->isRunning(); }, 20000));
        if (saveType != 0)
            ui.pb_coverRight_2->click();  // finish: to the result page
        ASSERT_FALSE(ui.widget_imageProcess->isHidden());
        ASSERT_EQ(window->imageprocess.getImageCount(), 3);
        const QSize page = window->imageprocess.getImageSize(0);
        QTest::mouseClick(tile(1), Qt::LeftButton);
        ui.turnLeftBtn->click();
        ui.lightnessSlider->setValue(20);
        ASSERT_EQ(window->imageprocess.getBrightness(1), 20);

        ModalAnswers answers({QMessageBox::Ok});
        ui.btn_widget_imageprocess_save->click();
        ASSERT_EQ(answers.texts(), QStringList{"save Finished"});
        EXPECT_EQ(window->imageprocess.getImageCount(), 0);

        const QStringList log = QString::fromStdString(logText()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(log.size(), ++lines);
        const QRegularExpressionMatch record =
            QRegularExpression("\"fileName\":\"([^\"]*)\",\"scanResult\":\"save success\",\"scanTime\":\"([^\"]*)\"")
                .match(log.last());
        ASSERT_TRUE(record.hasMatch()) << log.last().toStdString();
        const QString saved = record.captured(1);
        EXPECT_EQ(saved, folder + "taliro_" + record.captured(2) + "." + extension);
        const QString base = saved.left(saved.size() - extension.size() - 1);

        const QList<QSize> sizes = {page, page.transposed(), page};
        if (extension == "pdf") {
            int status = -1;
            run("qpdf", {"--check", saved}, &status);
            EXPECT_EQ(status, 0);
            // 75 dpi pixels in points.
            QList<QSize> points;
            for (const QSize &s : sizes)
                points << QSize(qRound(s.width() * 72.0 / 75), qRound(s.height() * 72.0 / 75));
            EXPECT_EQ(pdfPageSizes(saved), points);
        } else if (extension == "tif") {
            EXPECT_EQ(tiffPageSizes(saved), sizes);
        } else if (extension == "ofd") {
            int status = -1;
            const QString test = run("unzip", {"-t", saved}, &status);
            EXPECT_EQ(status, 0) << test.toStdString();
            EXPECT_EQ(test.count(QRegularExpression("\\.jpg +OK")), 3) << test.toStdString();
            testsupport::TempFolder unpacked;
            run("unzip", {"-q", saved, "-d", QString::fromStdString(unpacked.path())});
            int xmlFiles = 0;
            for (const auto &entry : fs::recursive_directory_iterator(unpacked.path())) {
                if (entry.path().extension() != ".xml")
                    continue;
                ++xmlFiles;
                const QString lint = run("xmllint", {"--noout", QString::fromStdString(entry.path())}, &status);
                EXPECT_EQ(status, 0) << lint.toStdString();
            }
            EXPECT_GT(xmlFiles, 3);
        } else {
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(imageSize(base + "_" + QString::number(i) + ".jpg"), sizes[i]) << i;
            EXPECT_FALSE(fs::exists(saved.toStdString()));
        }
    }
}

// Five Chinese words on a page; the OCR action's text file holds at least
// four of them.
TEST_F(Road, OcrOfARenderedPageThroughTheInstalledRecogniser)
{
    const char *const words[] = {"扫描仪", "打印机", "文字识别", "保存文件", "自动进纸"};
    QImage page(1654, 2339, QImage::Format_RGB32);  // A4 at 200 dpi
    page.fill(Qt::white);
    page.setDotsPerMeterX(7874);
    page.setDotsPerMeterY(7874);
    {
        QPainter painter(&page);
        painter.setPen(Qt::black);
        QFont font("WenQuanYi Micro Hei");
        font.setPixelSize(60);
        painter.setFont(font);
        int y = 300;
        for (const char *word : words) {
            painter.drawText(200, y, QString::fromUtf8(word));
            y += 160;
        }
    }
    window->imageprocess.setDPI(200);
    window->imageprocess.appendImage(&page);
    window->showScanResultSlot();

    const QString chosen = kHome + "/words.txt";
    FileDialogAnswers files({chosen});
    window->ui->pb_ocr->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return files.count() == 1 && window->ocrThread == nullptr; }, 120000));
    const QString text =
        QString::fromUtf8(testsupport::readText(chosen.toStdString()).c_str()).remove(QRegularExpression("\\s"));
    int found = 0;
    for (const char *word : words)
        found += text.contains(QString::fromUtf8(word)) ? 1 : 0;
    EXPECT_GE(found, 4) << text.toStdString();
}

}  // namespace
