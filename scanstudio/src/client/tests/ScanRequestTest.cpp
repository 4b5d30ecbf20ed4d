// The scan request a press of Scan or a preview sends to the backend, read
// back from the stand-in's call log: paper sizes, the preview, the crop
// rectangle on the flatbed and the feeder, presets the scanner cannot
// follow, and the area after an error has reset the preview.

#include "WindowFixture.h"

#include "ModalAnswer.h"
#include "bgwidget.h"
#include "paintingwidget.h"
#include "ui_mainwindow.h"
#include "vurocombobox.h"

#include "VuroScanSDK.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Options 8 to 11: the scan area in millimetres.
std::vector<std::string> area(const std::map<int, std::string> &options)
{
    std::vector<std::string> values;
    for (int option = 8; option <= 11; ++option)
        values.push_back(options.count(option) ? options.at(option) : "unset");
    return values;
}

using Area = std::vector<std::string>;

class ScanRequest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        // Small pages keep the page import quick; the area still goes out.
        script({"width=40", "height=60"});
    }

    // Custom paper in millimetres, confirmed on the advanced page.
    static void confirmCustomPaper(MainWindow &window, double width, double height)
    {
        Ui::MainWindow &ui = *window.ui;
        ui.pb_advancedSettings->click();
        ui.cbx_as_paperType->setCurrentIndex(2);
        ui.spx_paperWidth->setValue(width);
        ui.spx_paperHeight->setValue(height);
        ui.btn_asConfirm->click();
    }

    bool previewAndWait(MainWindow &window)
    {
        QSignalSpy ended(&window, &MainWindow::scanFinished);
        QTest::mouseDClick(window.bgWidget, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        return (ended.count() > 0 || ended.wait(20000)) && waitForJobEnd(window);
    }

    // A scan with the crop rectangle of a shown preview.
    std::map<int, std::string> scanWithCrop(MainWindow &window, const QRect &crop, int source)
    {
        window.ui->cbx_scanSource->setCurrentIndex(0);
        EXPECT_TRUE(previewAndWait(window));
        EXPECT_TRUE(window.previewShown);
        window.bgWidget->paintingWidget()->rectWithBorder = RectWithBorder(crop.topLeft(), crop.bottomRight());
        window.ui->cbx_scanSource->setCurrentIndex(source);
        clearCallLog();
        EXPECT_TRUE(scanAndWait(window));
        return optionsSet();
    }
};

TEST_F(ScanRequest, PaperSizesWithoutPreview)
{
    auto window = makeReadyWindow();
    confirmCustomPaper(*window, 100, 150);
    clearCallLog();
    ASSERT_TRUE(scanAndWait(*window));
    EXPECT_EQ(area(optionsSet()), (Area{"0", "0", "100", "150"}));
    // The picture preset of a new scanner: 300 dpi from the flatbed, colour.
    EXPECT_EQ(optionsSet()[4], "300");
    EXPECT_EQ(optionsSet()[13], "Flatbed");
    EXPECT_EQ(optionsSet()[3], "COLOR");

    window->ui->btn_widget_imageprocess_cancel->click();
    window->ui->pb_advancedSettings->click();
    window->ui->cbx_as_paperType->setCurrentIndex(1);
    window->ui->btn_asConfirm->click();
    clearCallLog();
    ASSERT_TRUE(scanAndWait(*window));
    EXPECT_EQ(area(optionsSet()), (Area{"0", "0", "176", "250"}));
}

TEST_F(ScanRequest, PreviewScansTheWholeFlatbedAtTheLowestResolution)
{
    auto window = makeReadyWindow();
    window->ui->cbx_resolution->setCurrentIndex(5);  // 600 dpi chosen, the preview still takes 75
    clearCallLog();
    ASSERT_TRUE(previewAndWait(*window));
    const auto options = optionsSet();
    EXPECT_EQ(options.at(4), "75");
    EXPECT_EQ(options.at(13), "Flatbed");
    EXPECT_EQ(area(options), (Area{"0", "0", "216", "297"}));

    // The canvas shows the page, with the crop frame of the paper shown.
    EXPECT_TRUE(window->previewShown);
    EXPECT_FALSE(window->previewScanning);
    EXPECT_FALSE(window->bgWidget->showsPlaceholder());
    EXPECT_FALSE(window->bgWidget->paintingWidget()->isHidden());
    EXPECT_TRUE(window->ui->pb_mainCancel->isEnabled());
    EXPECT_TRUE(window->ui->widget_imageProcess->isHidden());
    // A second double click asks for nothing.
    clearCallLog();
    QTest::mouseDClick(window->bgWidget, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(countCalls("start"), 0);
}

TEST_F(ScanRequest, PreviewFromTheFeederIsRefused)
{
    auto window = makeReadyWindow();
    window->ui->cbx_scanSource->setCurrentIndex(1);
    clearCallLog();
    ModalAnswer answer(QMessageBox::Ok);
    QTest::mouseDClick(window->bgWidget, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(answer.count(), 1);
    EXPECT_EQ(answer.text(), QStringLiteral("Supports Scanpreview only in Flatbed mode"));
    EXPECT_EQ(countCalls("start"), 0);
    EXPECT_TRUE(window->bgWidget->paintingWidget()->isHidden());
}

TEST_F(ScanRequest, CropRectangleGivesTheArea)
{
    struct Case {
        const char *what;
        QRect crop;
        int source;
        Area expected;
    };
    const Case cases[] = {
        {"flatbed", QRect(QPoint(15, 15), QPoint(255, 335)), 0, {"12", "12", "206", "268"}},
        {"feeder", QRect(QPoint(15, 15), QPoint(255, 335)), 1, {"12", "14", "206", "321"}},
        // The whole overlay: its last pixel is short of the bed's last millimetre.
        {"whole overlay", QRect(QPoint(0, 0), QPoint(267, 370)), 0, {"0", "0", "215", "296"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto window = makeReadyWindow();
        EXPECT_EQ(area(scanWithCrop(*window, c.crop, c.source)), c.expected);
    }
}

TEST_F(ScanRequest, FullPreviewOfTheWholeBedSizeCropsItWhole)
{
    auto window = makeReadyWindow();
    confirmCustomPaper(*window, 216, 297);
    ASSERT_TRUE(previewAndWait(*window));
    EXPECT_EQ(window->bgWidget->paintingWidget()->rectWithBorder.rect, QRect(QPoint(0, 0), QPoint(267, 370)));
    clearCallLog();
    ASSERT_TRUE(scanAndWait(*window));
    EXPECT_EQ(area(optionsSet()), (Area{"0", "0", "215", "296"}));
}

TEST_F(ScanRequest, CustomHeightBeyondTheBedKeepsTheCropFrameOnTheCanvas)
{
    auto window = makeReadyWindow();
    // 356 mm is the feeder's length; the flatbed's canvas ends at 297 mm.
    window->ui->cbx_scanSource->setCurrentIndex(1);
    confirmCustomPaper(*window, 216, 356);
    EXPECT_EQ(window->ui->spx_paperHeight->value(), 356);
    window->ui->cbx_scanSource->setCurrentIndex(0);
    ASSERT_TRUE(previewAndWait(*window));
    const QRect crop = window->bgWidget->paintingWidget()->rectWithBorder.rect;
    EXPECT_EQ(crop.bottom(), 370);
    clearCallLog();
    ASSERT_TRUE(scanAndWait(*window));
    EXPECT_EQ(area(optionsSet()), (Area{"0", "0", "215", "296"}));
}

// A preset that the open scanner's lists do not hold shows, and scans with,
// the first entry of the list.
TEST_F(ScanRequest, PresetsTheScannerCannotFollowFallBackToTheFirstEntry)
{
    struct Case {
        const char *what;
        bool feeder;
        int category;
        int dpi;
        const char *source;
        const char *resolution;
        QString shownSource;
        QString shownResolution;
    };
    const Case cases[] = {
        {"feeder preset, flatbed-only scanner", false, 1, 300, "Flatbed", "300", "Flatbed", "300 dpi"},
        {"1200 dpi from the feeder", true, 1, 1200, "Automatic Document Feeder", "75", "ADF", "75 dpi"},
        {"dpi outside the table", true, 0, 250, "Flatbed", "200", "Flatbed", "200 dpi"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        script({"width=40", "height=60", c.feeder ? "feeder=1" : "feeder=0"});
        vuro::profile stored;
        bool existed = false;
        auto scanner = stored.add_scanner("taliro:usb:q804", existed);
        scanner->last = std::make_shared<vuro::policy>();
        scanner->last->category = c.category;
        scanner->last->dpi = c.dpi;
        ASSERT_TRUE(stored.save(path("scan/scanApp.conf").c_str()));

        auto window = makeReadyWindow();
        EXPECT_EQ(window->policyCombo->currentIndex(), 3);
        EXPECT_EQ(window->ui->cbx_scanSource->currentText(), c.shownSource);
        EXPECT_EQ(window->ui->cbx_resolution->currentText(), c.shownResolution);
        clearCallLog();
        ASSERT_TRUE(scanAndWait(*window));
        EXPECT_EQ(optionsSet()[13], c.source);
        EXPECT_EQ(optionsSet()[4], c.resolution);
        window.reset();
        std::filesystem::remove(path("scan/scanApp.conf"));
    }
}

TEST_F(ScanRequest, AScanAfterAnErrorThatFollowedAPreviewTakesTheFormsArea)
{
    script({"width=40", "height=60", "read_delay_ms=200"});
    auto window = makeReadyWindow();
    ASSERT_TRUE(previewAndWait(*window));
    ASSERT_TRUE(window->previewShown);

    // Cancelled on the cover: the backend answers the next read with status 2.
    {
        ModalAnswer answer(QMessageBox::Ok);
        QSignalSpy ended(window.get(), &MainWindow::scanFinished);
        window->ui->pb_scan->click();
        window->ui->pb_coverRight_2->click();
        ASSERT_TRUE(ended.count() > 0 || ended.wait(20000));
        ASSERT_TRUE(waitForJobEnd(*window));
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.count() == 1; }, 5000));
        EXPECT_EQ(answer.text(), QStringLiteral("Operation was cancelled"));
    }
    EXPECT_TRUE(window->bgWidget->showsPlaceholder());
    EXPECT_FALSE(window->previewShown);

    clearCallLog();
    ASSERT_TRUE(scanAndWait(*window));
    // A4, as the form shows, not the reset crop frame's 12,12-206,268.
    EXPECT_EQ(area(optionsSet()), (Area{"0", "0", "210", "297"}));
}

}  // namespace
