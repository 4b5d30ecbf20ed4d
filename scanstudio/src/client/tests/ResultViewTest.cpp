// The result page: the strip after a scan, the selection and the values the
// controls load from a page, the corrections they pass on, page order and
// deletion, the corrections for all pages, the detail viewer and the border
// dialog; and after every change, tiles equal to freshly made thumbnails.

#include "ResultFixture.h"

#include "ModalAnswer.h"
#include "addfunctiondialog.h"
#include "bgwidget.h"
#include "imageview.h"
#include "imgdetailwidget.h"
#include "paintingwidget.h"
#include "previewwidget.h"
#include "ui_imgdetailwidget.h"
#include "ui_mainwindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

class ResultView : public ResultFixture {
protected:
    // A shown window with `count` distinct pages on the result page.
    std::unique_ptr<MainWindow> resultWindow(int count)
    {
        auto window = makeWindow();
        window->show();
        addDistinctPages(*window, count);
        window->showScanResultSlot();
        return window;
    }

    static void click(PreviewWidget *tile) { QTest::mouseClick(tile, Qt::LeftButton); }

    static QString borderOf(PreviewWidget *tile) { return tile->imageLabel()->styleSheet(); }

    // The crop frame the border dialog opens with; the dialog is left with
    // Escape. A null rectangle when no dialog opened.
    static QRect borderDialogStartCrop(Ui::MainWindow &ui)
    {
        QRect startCrop;
        ModalAction<AddFunctionDialog> act([&](AddFunctionDialog &dialog) {
            startCrop = dialog.canvas()->paintingWidget()->rectWithBorder.rect;
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        ui.ckb_ElimBorder->setChecked(true);
        EXPECT_EQ(act.count(), 1);
        return startCrop;
    }
};

TEST_F(ResultView, AfterAScanTheLastTileIsSelectedAndTheStripScrolledToItsShare)
{
    script({"width=120", "height=180"});
    auto window = makeReadyWindow();
    Ui::MainWindow &ui = *window->ui;
    ui.cbx_scanSource->setCurrentIndex(1);
    ASSERT_TRUE(scanAndWait(*window));

    EXPECT_TRUE(ui.widget_mainFrame->isHidden());
    EXPECT_FALSE(ui.widget_imageProcess->isHidden());
    const std::vector<PreviewWidget *> strip = tiles(*window);
    ASSERT_EQ(strip.size(), 3u);
    EXPECT_EQ(window->selectedPage, 2);
    EXPECT_EQ(window->imageprocess.getSelectedIndex(), 2);
    EXPECT_EQ(borderOf(strip[2]), QStringLiteral("border:1px solid red;"));
    EXPECT_EQ(borderOf(strip[0]), QStringLiteral("border:none;"));
    EXPECT_EQ(borderOf(strip[1]), QStringLiteral("border:none;"));
    // Two thirds of the strip's height, as far as the scroll bar goes.
    const int stripHeight = ui.scrollAreaWidgetContents->height();
    QScrollBar *bar = ui.previewArea->verticalScrollBar();
    ASSERT_EQ(bar->maximum(), stripHeight - ui.previewArea->viewport()->height());
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), std::min(static_cast<int>(2.0 / 3 * stripHeight), bar->maximum()));
    expectTilesFresh(*window);

    click(strip[1]);
    EXPECT_EQ(bar->value(), static_cast<int>(1.0 / 3 * stripHeight));
    // A click on the first tile selects it and scrolls to the top.
    click(strip[0]);
    EXPECT_EQ(window->selectedPage, 0);
    EXPECT_EQ(borderOf(strip[0]), QStringLiteral("border:1px solid red;"));
    EXPECT_EQ(borderOf(strip[2]), QStringLiteral("border:none;"));
    EXPECT_EQ(ui.previewArea->verticalScrollBar()->value(), 0);
}

TEST_F(ResultView, LoadingAPagesValuesChangesNoPage)
{
    auto window = resultWindow(2);
    Ui::MainWindow &ui = *window->ui;
    vuro::Libimageprocess &pages = window->imageprocess;
    click(tiles(*window)[0]);
    ui.lightnessSlider->setValue(30);
    ui.constractSlider->setValue(-20);
    ui.spx_gamma->setValue(2.5);
    click(tiles(*window)[1]);
    ui.jiupianSlider->setValue(7);
    ui.changeBgColorCheck->setChecked(true);

    for (int round = 0; round < 2; ++round) {
        click(tiles(*window)[0]);
        EXPECT_EQ(ui.lightnessSlider->value(), 30);
        EXPECT_EQ(ui.constractSlider->value(), -20);
        EXPECT_EQ(ui.jiupianSlider->value(), 0);
        EXPECT_EQ(ui.sldr_gamma->value(), 25);
        EXPECT_DOUBLE_EQ(ui.spx_gamma->value(), 2.5);
        EXPECT_FALSE(ui.changeBgColorCheck->isChecked());
        click(tiles(*window)[1]);
        EXPECT_EQ(ui.lightnessSlider->value(), 0);
        EXPECT_EQ(ui.jiupianSlider->value(), 7);
        EXPECT_EQ(ui.sldr_gamma->value(), 10);
        EXPECT_DOUBLE_EQ(ui.spx_gamma->value(), 1.0);
        EXPECT_TRUE(ui.changeBgColorCheck->isChecked());
    }
    EXPECT_EQ(pages.getBrightness(0), 30);
    EXPECT_EQ(pages.getContract(0), -20);
    EXPECT_EQ(pages.getGamma(0), 25);
    EXPECT_EQ(pages.getFineAngle(0), 0);
    EXPECT_FALSE(pages.getResetBGColor(0));
    EXPECT_EQ(pages.getBrightness(1), 0);
    EXPECT_EQ(pages.getGamma(1), 10);
    EXPECT_EQ(pages.getFineAngle(1), 7);
    EXPECT_TRUE(pages.getResetBGColor(1));
    EXPECT_FALSE(window->loadingPageValues);
}

// After the reset to the main page the gamma slider stands at 1; the next
// page's gamma of 10 must show as 1.0, and a step from there gives 11.
TEST_F(ResultView, GammaSpinBoxShowsThePagesGammaAfterALoad)
{
    auto window = makeWindow();
    window->show();
    Ui::MainWindow &ui = *window->ui;
    window->initUIData();
    EXPECT_EQ(ui.sldr_gamma->value(), 1);
    addDistinctPages(*window, 1);
    window->showScanResultSlot();
    EXPECT_EQ(ui.sldr_gamma->value(), 10);
    EXPECT_DOUBLE_EQ(ui.spx_gamma->value(), 1.0);
    ui.spx_gamma->stepUp();
    EXPECT_EQ(window->imageprocess.getGamma(0), 11);

    ui.spx_gamma->setValue(1.5);
    EXPECT_EQ(window->imageprocess.getGamma(0), 15);
    EXPECT_EQ(ui.sldr_gamma->value(), 15);
    ui.sldr_gamma->setValue(7);
    EXPECT_DOUBLE_EQ(ui.spx_gamma->value(), 0.7);
    EXPECT_EQ(window->imageprocess.getGamma(0), 7);
}

TEST_F(ResultView, TurnsAndAutomaticDeskewResetTheFineAngle)
{
    auto window = resultWindow(1);
    Ui::MainWindow &ui = *window->ui;
    vuro::Libimageprocess &pages = window->imageprocess;
    const QSize upright = pages.getImageSize(0);
    for (QPushButton *turn : {ui.turnLeftBtn, ui.turnRightBtn}) {
        ui.jiupianSlider->setValue(12);
        ASSERT_EQ(pages.getFineAngle(0), 12);
        turn->click();
        EXPECT_EQ(ui.jiupianSlider->value(), 0);
        EXPECT_EQ(pages.getFineAngle(0), 0);
        expectTilesFresh(*window);
    }
    EXPECT_EQ(pages.getRightAngle(0), 0);
    ui.turnLeftBtn->click();
    EXPECT_EQ(pages.getRightAngle(0), -90);
    QImage *turned = pages.getSaveImage(0, color_full);
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->size(), upright.transposed());
    pages.endImage(turned);

    ui.jiupianSlider->setValue(-9);
    ui.jiupianCheckBox->setChecked(true);
    EXPECT_TRUE(pages.getDeskew(0));
    EXPECT_EQ(pages.getFineAngle(0), 0);
    EXPECT_EQ(ui.jiupianSlider->value(), 0);
    EXPECT_FALSE(ui.jiupianSlider->isEnabled());
    EXPECT_FALSE(ui.jiupianSpinBox->isEnabled());
    expectTilesFresh(*window);
}

TEST_F(ResultView, MovesAndDeletionKeepTheSelectionOnItsPage)
{
    auto window = resultWindow(3);
    Ui::MainWindow &ui = *window->ui;
    vuro::Libimageprocess &pages = window->imageprocess;
    const std::uint64_t first = pages.getPageSerial(0);
    const std::uint64_t last = pages.getPageSerial(2);

    // Down on the last page: nothing moves, the strip is still rebuilt.
    QPointer<PreviewWidget> oldTile = tiles(*window)[2];
    ui.downBtn->click();
    EXPECT_TRUE(oldTile.isNull());
    EXPECT_EQ(window->selectedPage, 2);
    EXPECT_EQ(pages.getPageSerial(2), last);
    expectTilesFresh(*window);

    ui.upperBtn->click();
    ui.upperBtn->click();
    EXPECT_EQ(window->selectedPage, 0);
    EXPECT_EQ(pages.getPageSerial(0), last);
    EXPECT_EQ(pages.getPageSerial(1), first);
    EXPECT_EQ(borderOf(tiles(*window)[0]), QStringLiteral("border:1px solid red;"));
    expectTilesFresh(*window);
    // Up on the first page does nothing.
    ui.upperBtn->click();
    EXPECT_EQ(pages.getPageSerial(0), last);
    ui.downBtn->click();
    EXPECT_EQ(window->selectedPage, 1);
    EXPECT_EQ(pages.getPageSerial(1), last);
    expectTilesFresh(*window);

    {
        ModalAnswers answers({QMessageBox::No});
        ui.delete_current_page_btn->click();
        EXPECT_EQ(answers.titles(), QStringList{"tip"});
        EXPECT_EQ(answers.texts(), QStringList{"confirm_operation"});
        EXPECT_EQ(pages.getImageCount(), 3);
    }
    // Deleting the middle page selects the last one, not a neighbour.
    click(tiles(*window)[1]);
    const std::uint64_t middle = pages.getPageSerial(1);
    const std::uint64_t lastNow = pages.getPageSerial(2);
    {
        ModalAnswers answers({QMessageBox::Yes});
        ui.delete_current_page_btn->click();
    }
    ASSERT_EQ(pages.getImageCount(), 2);
    EXPECT_NE(pages.getPageSerial(0), middle);
    EXPECT_NE(pages.getPageSerial(1), middle);
    EXPECT_EQ(window->selectedPage, 1);
    EXPECT_EQ(pages.getPageSerial(1), lastNow);
    EXPECT_EQ(borderOf(tiles(*window)[1]), QStringLiteral("border:1px solid red;"));
    expectTilesFresh(*window);
    // The thumbnails of the pages that are gone are not kept.
    EXPECT_EQ(window->thumbnails.size(), 2);

    {
        ModalAnswers answers({QMessageBox::Yes});
        ui.delete_current_page_btn->click();
        ui.delete_current_page_btn->click();
    }
    EXPECT_EQ(pages.getImageCount(), 0);
    EXPECT_TRUE(tiles(*window).empty());
    ModalAnswers answers({QMessageBox::Ok});
    ui.delete_current_page_btn->click();
    EXPECT_EQ(answers.titles(), QStringList{"tip"});
    EXPECT_EQ(answers.texts(), QStringList{"not_item_selected"});
}

TEST_F(ResultView, EveryTileMatchesItsPageAfterEachChange)
{
    auto window = resultWindow(3);
    Ui::MainWindow &ui = *window->ui;
    const std::pair<const char *, std::function<void()>> changes[] = {
        {"brightness", [&] { ui.lightnessSlider->setValue(40); }},
        {"contrast", [&] { ui.constractSlider->setValue(-30); }},
        {"gamma", [&] { ui.spx_gamma->setValue(2.0); }},
        {"fine angle", [&] { ui.jiupianSlider->setValue(5); }},
        {"whitening", [&] { ui.changeBgColorCheck->setChecked(true); }},
        {"turn left", [&] { ui.turnLeftBtn->click(); }},
        {"turn right", [&] { ui.turnRightBtn->click(); }},
        {"other page", [&] { click(tiles(*window)[0]); }},
        {"move down", [&] { ui.downBtn->click(); }},
        {"move up", [&] { ui.upperBtn->click(); }},
        {"whitening for all", [&] { ui.pb_changeBGAll->click(); }},
        {"border removal for all", [&] { ui.pb_ElimBorder->click(); }},
        {"turn in the viewer", [&] { window->roatBigPic(2); }},
        {"border removal off", [&] { ui.ckb_ElimBorder->setChecked(false); }},
    };
    for (const auto &change : changes) {
        SCOPED_TRACE(change.first);
        change.second();
        expectTilesFresh(*window);
    }
    // Pages that did not change kept their thumbnails through the rebuilds.
    EXPECT_EQ(window->thumbnails.size(), 3);
}

TEST_F(ResultView, AllPagesButtonsToggleEveryPage)
{
    auto window = resultWindow(3);
    Ui::MainWindow &ui = *window->ui;
    vuro::Libimageprocess &pages = window->imageprocess;
    for (bool expected : {true, false}) {
        ui.pb_changeBGAll->click();
        EXPECT_EQ(pages.getResetBGColor(), expected);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(pages.getResetBGColor(i), expected) << i;
        EXPECT_EQ(ui.changeBgColorCheck->isChecked(), expected);
        ui.pb_ElimBorder->click();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(pages.getElimBorder(i), expected) << i;
        EXPECT_EQ(ui.ckb_ElimBorder->isChecked(), expected);
        EXPECT_EQ(window->selectedPage, 2);
    }
}

TEST_F(ResultView, ViewerOffersTheTurnBelow1200DpiOnly)
{
    auto window = makeReadyWindow();
    Ui::MainWindow &ui = *window->ui;
    ASSERT_EQ(ui.cbx_resolution->count(), 7);
    addDistinctPages(*window, 2);
    window->showScanResultSlot();
    for (int entry : {4, 6}) {
        SCOPED_TRACE(ui.cbx_resolution->itemText(entry).toStdString());
        ui.cbx_resolution->setCurrentIndex(entry);
        bool turnOffered = false;
        ModalAction<ImgDetailWidget> look([&](ImgDetailWidget &viewer) {
            turnOffered = !viewer.form()->roat90->isHidden();
            viewer.close();
        });
        ui.pb_viewDetail->click();
        ASSERT_EQ(look.count(), 1);
        EXPECT_EQ(turnOffered, entry == 4);
    }
}

TEST_F(ResultView, ViewerShowsTheChosenPageAndTurnsItEverywhere)
{
    auto window = resultWindow(2);
    vuro::Libimageprocess &pages = window->imageprocess;
    const QSize upright = pages.getImageSize(1);
    QImage *firstPage = pages.getSaveImage(0, color_full);
    ASSERT_NE(firstPage, nullptr);
    const QImage first = *firstPage;
    pages.endImage(firstPage);

    QSize shownBefore;
    QSize shownAfter;
    QImage shownOther;
    QImage smallTileAfter;
    int viewerTiles = 0;
    ModalAction<ImgDetailWidget> act([&](ImgDetailWidget &viewer) {
        viewerTiles = viewer.getListLayout()->count();
        shownBefore = viewer.getImageView()->image().size();
        viewer.getImageView()->onZoomInImage();
        viewer.form()->roat90->click();
        shownAfter = viewer.getImageView()->image().size();
        auto *second = qobject_cast<PreviewWidget *>(viewer.getListLayout()->itemAtPosition(1, 0)->widget());
        smallTileAfter = tileImage(*second);
        auto *firstTile = qobject_cast<PreviewWidget *>(viewer.getListLayout()->itemAtPosition(0, 0)->widget());
        QTest::mouseClick(firstTile, Qt::LeftButton);
        shownOther = viewer.getImageView()->image();
        EXPECT_EQ(viewer.getImageView()->zoom(), 1.0);
        viewer.close();
    });
    // A double click on the second tile opens the viewer on it.
    QTest::mouseDClick(tiles(*window)[1], Qt::LeftButton);
    ASSERT_EQ(act.count(), 1);
    EXPECT_EQ(viewerTiles, 2);
    EXPECT_EQ(shownBefore, upright);
    EXPECT_EQ(shownAfter, upright.transposed());
    EXPECT_EQ(pages.getRightAngle(1), -90);
    EXPECT_EQ(shownOther, first);
    QImage *small = pages.getShowImage(1, 79, 112, color_full);
    ASSERT_NE(small, nullptr);
    EXPECT_TRUE(smallTileAfter == small->convertToFormat(QImage::Format_RGB32));
    pages.endImage(small);
    expectTilesFresh(*window);
}

TEST_F(ResultView, BorderDialogStartsOnTheStoredBorderAndItsOutcomeReachesThePage)
{
    auto window = resultWindow(1);
    Ui::MainWindow &ui = *window->ui;
    vuro::Libimageprocess &pages = window->imageprocess;
    const QSize size = pages.getImageSize(0);
    ASSERT_EQ(size, QSize(120, 180));

    {
        SCOPED_TRACE("saved");
        QRect shownCrop;
        ModalAction<AddFunctionDialog> act([&](AddFunctionDialog &dialog) {
            EXPECT_DOUBLE_EQ(dialog.widthRate, 268.0 / 120);
            EXPECT_DOUBLE_EQ(dialog.heightRate, 371.0 / 180);
            EXPECT_TRUE(dialog.canvas()->sizeLabel()->isHidden());
            EXPECT_FALSE(dialog.canvas()->showsPlaceholder());
            RectWithBorder &crop = dialog.canvas()->paintingWidget()->rectWithBorder;
            crop.rect = QRect(QPoint(67, 103), QPoint(200, 288));
            crop.setCorner();
            dialog.saveButton()->click();
        });
        ui.ckb_ElimBorder->setChecked(true);
        ASSERT_EQ(act.count(), 1);
        EXPECT_TRUE(pages.getElimBorder(0));
        // (67 / 2.2333, 103 / 2.0611, 134 / 2.2333, 186 / 2.0611)
        EXPECT_EQ(pages.getElimBorderRect(0), QRect(30, 49, 60, 90));
        EXPECT_TRUE(ui.ckb_ElimBorder->isChecked());
        expectTilesFresh(*window);
    }
    {
        SCOPED_TRACE("escape");
        ui.ckb_ElimBorder->setChecked(false);
        EXPECT_FALSE(pages.getElimBorder(0));
        const QRect startCrop = borderDialogStartCrop(ui);
        // The stored border (30, 49, 60 x 90) on the canvas.
        EXPECT_EQ(startCrop, QRect(QPoint(67, 100), QPoint(200, 284)));
        EXPECT_FALSE(ui.ckb_ElimBorder->isChecked());
        EXPECT_FALSE(pages.getElimBorder(0));
        expectTilesFresh(*window);
    }
}

// A page whose colours tell where a pixel lies: red grows across, green
// down, and blue alternates in squares of 32 pixels.
void addGradientPage(MainWindow &window, QSize size)
{
    std::vector<unsigned char> page(static_cast<std::size_t>(size.width() * size.height() * 3));
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            unsigned char *pixel = &page[static_cast<std::size_t>((y * size.width() + x) * 3)];
            pixel[0] = static_cast<unsigned char>(x * 255 / size.width());
            pixel[1] = static_cast<unsigned char>(y * 255 / size.height());
            pixel[2] = ((x / 32 + y / 32) % 2) != 0 ? 200 : 40;
        }
    }
    window.imageprocess.appendRGBDataImage(page.data(), size.width(), size.height());
}

// The mean difference of two images of one size, over all channels.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y);
            const QRgb q = right.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * left.width() * left.height());
}

struct TurnCase {
    const char *what;
    QSize page;  // unedited; turned it is 536 x 742, so the dialog's rates are 0.5
    int leftTurns;
    int rightTurns;
};

const TurnCase kTurnCases[] = {
    {"no turn", {536, 742}, 0, 0},
    {"turned left", {742, 536}, 1, 0},
    {"turned right", {742, 536}, 0, 1},
    {"turned half", {536, 742}, 0, 2},
};

// The case's page on the result page, turned with the turn buttons.
void showTurnedPage(MainWindow &window, const TurnCase &c)
{
    addGradientPage(window, c.page);
    window.showScanResultSlot();
    for (int i = 0; i < c.leftTurns; ++i)
        window.ui->turnLeftBtn->click();
    for (int i = 0; i < c.rightTurns; ++i)
        window.ui->turnRightBtn->click();
}

// Selects `selection` on the border dialog's canvas and saves it; `check`
// looks at the dialog first.
template <typename Check>
void cropInBorderDialog(Ui::MainWindow &ui, const QRect &selection, Check check)
{
    ModalAction<AddFunctionDialog> act([&](AddFunctionDialog &dialog) {
        check(dialog);
        RectWithBorder &crop = dialog.canvas()->paintingWidget()->rectWithBorder;
        crop.rect = selection;
        crop.setCorner();
        dialog.saveButton()->click();
    });
    ui.ckb_ElimBorder->setChecked(true);
    ASSERT_EQ(act.count(), 1);
}

// The border dialog shows the page as it is turned, and what is selected
// there is what is saved: a landscape selection on a portrait page is saved
// landscape, with the pixels of the selected region.
TEST_F(ResultView, CropOfATurnedPageSavesTheSelectedRegion)
{
    const QRect selection(QPoint(20, 40), QPoint(199, 139));  // on the canvas
    const QRect region(40, 80, 360, 200);                       // on the turned page
    for (const TurnCase &c : kTurnCases) {
        SCOPED_TRACE(c.what);
        auto window = makeReadyWindow();
        Ui::MainWindow &ui = *window->ui;
        ui.cbx_saveType->setCurrentIndex(1);  // PNG
        showTurnedPage(*window, c);
        QImage *turnedPage = window->imageprocess.getSaveImage(0, color_full);
        ASSERT_NE(turnedPage, nullptr);
        const QImage turned = *turnedPage;
        window->imageprocess.endImage(turnedPage);
        ASSERT_EQ(turned.size(), QSize(536, 742));

        cropInBorderDialog(ui, selection, [](AddFunctionDialog &dialog) {
            EXPECT_DOUBLE_EQ(dialog.widthRate, 0.5);
            EXPECT_DOUBLE_EQ(dialog.heightRate, 0.5);
        });
        if (::testing::Test::HasFatalFailure())
            return;

        std::filesystem::create_directories(path("saved"));
        const std::string file = path("saved/crop.png");
        FileDialogAnswers files({QString::fromStdString(file)});
        ModalAnswers answers({QMessageBox::Ok});
        ui.btn_widget_imageprocess_saveAs->click();
        ASSERT_EQ(answers.texts(), QStringList{"save Finished"});
        const QImage saved(QString::fromStdString(file));
        ASSERT_EQ(saved.size(), region.size());
        EXPECT_LT(meanDifference(saved, turned.copy(region)), 3.0);
    }
}

// A border chosen on a turned page is where the dialog starts next time.
TEST_F(ResultView, BorderDialogOfATurnedPageStartsOnTheChosenRectangle)
{
    const QRect selection(QPoint(20, 40), QPoint(199, 139));
    for (const TurnCase &c : kTurnCases) {
        SCOPED_TRACE(c.what);
        auto window = makeWindow();
        window->show();
        Ui::MainWindow &ui = *window->ui;
        showTurnedPage(*window, c);
        cropInBorderDialog(ui, selection, [](AddFunctionDialog &) {});
        if (::testing::Test::HasFatalFailure())
            return;
        ui.ckb_ElimBorder->setChecked(false);
        const QRect startCrop = borderDialogStartCrop(ui);
        EXPECT_EQ(startCrop, selection);
    }
}

}  // namespace
