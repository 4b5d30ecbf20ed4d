// The page detail viewer's picture view (fit, zoom steps, pan), the viewer's
// buttons, the border dialog's rectangle in page pixels and its one outcome,
// and the thumbnail tile's border.

#include "addfunctiondialog.h"
#include "bgwidget.h"
#include "imageview.h"
#include "imgdetailwidget.h"
#include "paintingwidget.h"
#include "previewwidget.h"
#include "ui_imgdetailwidget.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

TEST(ImageViewTest, PictureIsFittedToTheWidthThenHeldToTheHeight)
{
    struct Case {
        QSize widget;
        QSize picture;
        QSize drawn;
    };
    const Case cases[] = {
        {{429, 400}, {800, 1200}, {266, 400}},  // held to the height
        {{400, 300}, {100, 50}, {100, 50}},     // smaller: not enlarged
        {{400, 300}, {1000, 500}, {400, 200}},  // fitted to the width
        {{400, 300}, {1, 1000}, {0, 300}},      // a sliver rounds to nothing across
        {{400, 300}, {0, 100}, {0, 0}},         // no size: nothing, no division by zero
        {{400, 300}, {100, 0}, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture.width() << "x" << c.picture.height());
        const QRect drawn = ImageView::fittedRect(c.widget, c.picture);
        EXPECT_EQ(drawn.size(), c.drawn);
        EXPECT_EQ(drawn.topLeft(), QPoint(-(c.drawn.width() / 2), -(c.drawn.height() / 2)));
    }
}

// A mouse move as the window system delivers it, with `buttons` held.
void moveMouse(QWidget &widget, const QPoint &to, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(QEvent::MouseMove, to, widget.mapToGlobal(to), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// Where the view paints a plain red picture, as the bounding box of the red
// pixels it drew.
QRect paintedBox(ImageView &view)
{
    QImage shot(view.size(), QImage::Format_RGB32);
    shot.fill(Qt::white);
    view.render(&shot);
    QRect box;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixel(x, y) == qRgb(255, 0, 0))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

TEST(ImageViewTest, ZoomKeepsThePictureCentredOnThePanPoint)
{
    ImageView view;
    view.resize(429, 400);
    QImage red(800, 1200, QImage::Format_RGB32);
    red.fill(Qt::red);
    view.changeBGImg(red);
    // 266 x 400 at (81, 0) at zoom 1.
    EXPECT_EQ(paintedBox(view), QRect(81, 0, 266, 400));

    view.onZoomOutImage();
    view.onZoomOutImage();
    view.onZoomOutImage();  // 0.4: 106.4 x 160 about the centre (214, 200)
    EXPECT_NEAR(view.zoom(), 0.4, 1e-9);
    const QRect small = paintedBox(view);
    EXPECT_NEAR(small.width(), 106, 1);
    EXPECT_NEAR(small.height(), 160, 1);
    EXPECT_NEAR(small.center().x(), 214, 1);
    EXPECT_NEAR(small.center().y(), 200, 1);

    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    moveMouse(view, QPoint(130, 90));
    EXPECT_EQ(view.cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(130, 90));
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(paintedBox(view), small.translated(30, -10));
}

TEST(ImageViewTest, ZoomStepsAndTheirLimits)
{
    ImageView view;
    for (int step = 1; step <= 4; ++step)
        view.onZoomOutImage();
    EXPECT_GT(view.zoom(), 0.2);
    EXPECT_NEAR(view.zoom(), 0.2, 1e-9);
    view.onZoomOutImage();
    EXPECT_EQ(view.zoom(), 0.2);
    view.onZoomOutImage();
    EXPECT_EQ(view.zoom(), 0.2);

    for (int steps = 0; view.zoom() < 20 && steps < 1000; ++steps)
        view.onZoomInImage();
    // The last step may end a little above 20; none follows it.
    const double top = view.zoom();
    EXPECT_LT(top, 20.2);
    view.onZoomInImage();
    EXPECT_EQ(view.zoom(), top);

    // The wheel: up zooms in, down (or no turn) zooms out.
    view.onPresetImage();
    const auto wheel = [&view](int delta) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    };
    wheel(120);
    EXPECT_NEAR(view.zoom(), 1.2, 1e-9);
    wheel(-120);
    wheel(0);
    EXPECT_NEAR(view.zoom(), 0.8, 1e-9);
}

TEST(ImageViewTest, DragMovesByTheSameAmountAtEveryZoomAndANewPictureResets)
{
    ImageView view;
    view.resize(300, 300);
    for (int zoomSteps : {0, 3}) {
        SCOPED_TRACE(zoomSteps);
        view.changeBGImg(QImage(40, 40, QImage::Format_RGB32));
        for (int i = 0; i < zoomSteps; ++i)
            view.onZoomInImage();
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        moveMouse(view, QPoint(60, 45));
        moveMouse(view, QPoint(80, 40));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(80, 40));
        EXPECT_EQ(view.offsetX(), 30);
        EXPECT_EQ(view.offsetY(), -10);
        // Moves without a held button pan nothing.
        moveMouse(view, QPoint(200, 200), Qt::NoButton);
        EXPECT_EQ(view.offsetX(), 30);
    }
    view.changeBGImg(QImage(10, 10, QImage::Format_RGB32));
    EXPECT_EQ(view.zoom(), 1.0);
    EXPECT_EQ(view.offsetX(), 0);
    EXPECT_EQ(view.offsetY(), 0);

    // The first picture replaces the old one and keeps zoom and pan.
    view.onZoomInImage();
    view.setImage(QImage(20, 20, QImage::Format_RGB32));
    EXPECT_EQ(view.image().size(), QSize(20, 20));
    EXPECT_NEAR(view.zoom(), 1.2, 1e-9);
}

TEST(ImgDetailWidgetTest, FormButtonsAndTheTurnOfTheShownPage)
{
    ImgDetailWidget viewer;
    Ui::ImgDetailWidget &form = *viewer.form();
    EXPECT_EQ(viewer.size(), QSize(600, 464));
    EXPECT_EQ(viewer.minimumSize(), QSize(470, 436));
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("scanner"));
    EXPECT_EQ(form.imageList->maximumWidth(), 160);
    EXPECT_EQ(viewer.getImageView(), form.imageView);
    EXPECT_TRUE(form.roat90->isHidden());
    viewer.setRoatState(true);
    EXPECT_FALSE(form.roat90->isHidden());
    viewer.setRoatState(false);
    EXPECT_TRUE(form.roat90->isHidden());

    form.scaleUp->click();
    form.scaleUp->click();
    form.scalDown->click();
    EXPECT_NEAR(viewer.getImageView()->zoom(), 1.2, 1e-9);

    PreviewWidget tile;
    tile.addPicLabel(QImage(8, 8, QImage::Format_RGB32), 4);
    std::vector<PreviewWidget *> chosen;
    QObject::connect(&viewer, &ImgDetailWidget::previewWidgetChanged,
                     [&chosen](PreviewWidget *t) { chosen.push_back(t); });
    QSignalSpy turned(&viewer, &ImgDetailWidget::roat90);
    viewer.manageScrollstuff(&tile);
    EXPECT_EQ(chosen, std::vector<PreviewWidget *>{&tile});
    form.roat90->click();
    ASSERT_EQ(turned.count(), 1);
    EXPECT_EQ(turned.at(0).at(0).toInt(), 4);
}

TEST(PreviewWidgetTest, OnlyTheMeantTileIsBorderedAndTakesItsPicture)
{
    PreviewWidget first;
    PreviewWidget second;
    first.addPicLabel(QImage(30, 40, QImage::Format_RGB32), 0);
    second.addPicLabel(QImage(30, 40, QImage::Format_RGB32), 1);
    EXPECT_EQ(second.numberLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(second.imageLabel()->minimumSize(), QSize(30, 40));
    EXPECT_EQ(second.imageLabel()->maximumSize(), QSize(30, 40));
    for (PreviewWidget *tile : {&first, &second})
        QObject::connect(&second, &PreviewWidget::iGotClicked, tile, &PreviewWidget::someoneGotClicked);
    QSignalSpy doubleClicked(&second, &PreviewWidget::iGotDClicked);
    QTest::mouseClick(&second, Qt::LeftButton);
    EXPECT_EQ(second.imageLabel()->styleSheet(), QStringLiteral("border:1px solid red;"));
    EXPECT_EQ(first.imageLabel()->styleSheet(), QStringLiteral("border:none;"));
    QTest::mouseDClick(&second, Qt::LeftButton);
    ASSERT_EQ(doubleClicked.count(), 1);
    EXPECT_EQ(doubleClicked.at(0).at(0).toInt(), 1);

    QImage wide(60, 20, QImage::Format_RGB32);
    first.setImage(wide, 1);
    second.setImage(wide, 1);
    EXPECT_EQ(first.imageLabel()->minimumSize(), QSize(30, 40));
    EXPECT_EQ(second.imageLabel()->minimumSize(), QSize(60, 20));
}

class BorderDialogTest : public ::testing::Test {
protected:
    void SetUp() override { fresh(); }

    // A new dialog whose outcomes are recorded from now on.
    void fresh()
    {
        dialog.reset();
        saved.clear();
        closedWithout.clear();
        dialog = std::make_unique<AddFunctionDialog>();
        QObject::connect(dialog.get(), &AddFunctionDialog::addFunctionDialogSaved,
                         [this](QRect rect) { saved.push_back(rect); });
        QObject::connect(dialog.get(), &AddFunctionDialog::closeWithoutSave,
                         [this](int state) { closedWithout.push_back(state); });
    }

    void setCrop(const QPoint &topLeft, const QPoint &bottomRight)
    {
        RectWithBorder &crop = dialog->canvas()->paintingWidget()->rectWithBorder;
        crop.rect = QRect(topLeft, bottomRight);
        crop.setCorner();
    }

    // Runs the dialog until `act` ends it, then destroys it.
    void runUntil(const std::function<void()> &act)
    {
        QTimer::singleShot(0, act);
        dialog->exec();
        dialog.reset();
    }

    // Declared first, gone last: the dialog reports into them as it goes.
    std::vector<QRect> saved;
    std::vector<int> closedWithout;
    std::unique_ptr<AddFunctionDialog> dialog;
};

TEST_F(BorderDialogTest, LayoutOfTheDialog)
{
    EXPECT_EQ(dialog->objectName(), QStringLiteral("AddFunctionDialog"));
    EXPECT_EQ(dialog->minimumSize(), QSize(281, 421));
    EXPECT_EQ(dialog->maximumSize(), QSize(281, 421));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Dialog"));
    EXPECT_EQ(dialog->saveButton()->geometry(), QRect(20, 390, 108, 28));
    EXPECT_EQ(dialog->saveButton()->text(), QStringLiteral("Save"));
    EXPECT_EQ(dialog->cancelButton()->geometry(), QRect(150, 390, 108, 28));
    EXPECT_EQ(dialog->cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(dialog->canvas()->geometry(), QRect(5, 0, 271, 390));
    EXPECT_TRUE(dialog->canvas()->captionLabel()->isHidden());
    EXPECT_EQ(dialog->canvas()->sizeLabel()->geometry(), QRect(5, 370, 88, 18));
    EXPECT_FALSE(dialog->canvas()->paintingWidget()->isHidden());
}

TEST_F(BorderDialogTest, SaveGivesTheRectangleInPagePixelsOnce)
{
    struct Case {
        QPoint topLeft, bottomRight;
        double widthRate, heightRate;
        QRect page;
    };
    const Case cases[] = {
        {{10, 20}, {109, 219}, 0.1, 0.1, QRect(100, 200, 1000, 2000)},
        // A4 at 300 dpi on the 268 x 371 overlay.
        {{15, 15}, {255, 335}, 268.0 / 2480, 371.0 / 3508, QRect(138, 141, 2230, 3035)},
    };
    for (const Case &c : cases) {
        fresh();
        setCrop(c.topLeft, c.bottomRight);
        dialog->widthRate = c.widthRate;
        dialog->heightRate = c.heightRate;
        runUntil([this] { dialog->saveButton()->click(); });
        EXPECT_EQ(saved, std::vector<QRect>{c.page});
        EXPECT_TRUE(closedWithout.empty());
    }
}

TEST_F(BorderDialogTest, EveryOtherEndIsACloseWithoutSave)
{
    const std::pair<const char *, std::function<void(AddFunctionDialog &)>> ends[] = {
        {"cancel", [](AddFunctionDialog &d) { d.cancelButton()->click(); }},
        {"title-bar close", [](AddFunctionDialog &d) { d.close(); }},
        {"escape", [](AddFunctionDialog &d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        // Rates of a page without a size: nothing to give back.
        {"save without usable rates",
         [](AddFunctionDialog &d) {
             d.widthRate = std::numeric_limits<double>::infinity();
             d.heightRate = 0;
             d.saveButton()->click();
         }},
    };
    for (const auto &end : ends) {
        SCOPED_TRACE(end.first);
        fresh();
        AddFunctionDialog *d = dialog.get();
        runUntil([d, &end] { end.second(*d); });
        EXPECT_TRUE(saved.empty());
        EXPECT_EQ(closedWithout, std::vector<int>{0});
    }
}

}  // namespace
