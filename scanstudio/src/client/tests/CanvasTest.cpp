// The preview canvas: handle placement, the overlay's drag and resize rules
// with their limits and minimum size, and the canvas's placeholder, size
// label and reset.

#include "bgwidget.h"
#include "paintingwidget.h"
#include "rectwithborder.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(RectWithBorderTest, HandlesSitOnCornersAndStartAtEdgeMidpoints)
{
    const RectWithBorder frame(QPoint(15, 15), QPoint(255, 335));
    const QPoint expected[RectWithBorder::HandleCount] = {
        {12, 12}, {252, 12}, {12, 332}, {252, 332},  // corners, centred
        {135, 12}, {135, 332}, {12, 175}, {252, 175},  // edges: from the midpoint along the edge
    };
    for (int i = 0; i < RectWithBorder::HandleCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frame.handles[i], QRect(expected[i], QSize(7, 7)));
    }

    // Every setter re-places the handles; none normalises the frame.
    RectWithBorder moved = frame;
    moved.setLeft(300);
    EXPECT_EQ(moved.rect.left(), 300);
    EXPECT_EQ(moved.rect.right(), 255);
    EXPECT_EQ(moved.handles[RectWithBorder::Left].topLeft(), QPoint(297, 175));
    moved.moveTo(0, 0);
    EXPECT_EQ(moved.rect.topLeft(), QPoint(0, 0));
    EXPECT_EQ(moved.handles[RectWithBorder::TopLeft].topLeft(), QPoint(-3, -3));

    const RectWithBorder empty;
    EXPECT_EQ(empty.rect, QRect(0, 0, 0, 0));
    EXPECT_TRUE(empty.handles[0].isNull());
}

class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        overlay.setGeometry(0, 0, 268, 371);
        overlay.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    }

    QRect frame() const { return overlay.rectWithBorder.rect; }

    // A drag from `from` to `to` with the button held, hovering first so the
    // cursor takes its shape, and painting after it as the screen would.
    void drag(const QPoint &from, const QPoint &to)
    {
        QMouseEvent hover(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&overlay, &hover);
        QTest::mousePress(&overlay, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, to, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&overlay, &move);
        QTest::mouseRelease(&overlay, Qt::LeftButton, Qt::NoModifier, to);
        overlay.repaint();
    }

    PaintingWidget overlay;
};

TEST_F(OverlayTest, MovingStopsAtTheOverlaysEdges)
{
    QSignalSpy changing(&overlay, &PaintingWidget::sigChangeSizeFlag);
    drag(QPoint(100, 100), QPoint(40, 40));
    EXPECT_EQ(frame(), QRect(QPoint(0, 0), QPoint(240, 320)));
    ASSERT_EQ(changing.count(), 1);
    EXPECT_TRUE(changing.at(0).at(0).toBool());

    // Toward the right and the bottom, one pixel short of the last column and row.
    drag(QPoint(100, 100), QPoint(200, 200));
    EXPECT_EQ(frame().right(), 266);
    EXPECT_EQ(frame().bottom(), 369);
    EXPECT_EQ(frame().size(), QSize(241, 321));
}

TEST_F(OverlayTest, ResizingFollowsTheHandleAndIgnoresPointsOutside)
{
    struct Case {
        const char *what;
        QPoint handle;
        QPoint to;
        QRect expected;
    };
    const Case cases[] = {
        {"top-left", {15, 15}, {30, 40}, QRect(QPoint(30, 40), QPoint(255, 335))},
        {"top-right", {255, 15}, {200, 50}, QRect(QPoint(15, 50), QPoint(200, 335))},
        {"bottom-left", {15, 335}, {50, 300}, QRect(QPoint(50, 15), QPoint(255, 300))},
        {"bottom-right", {255, 335}, {260, 360}, QRect(QPoint(15, 15), QPoint(260, 360))},
        {"top edge", {136, 15}, {10, 100}, QRect(QPoint(15, 100), QPoint(255, 335))},
        {"bottom edge", {136, 335}, {10, 200}, QRect(QPoint(15, 15), QPoint(255, 200))},
        {"left edge", {15, 176}, {100, 10}, QRect(QPoint(100, 15), QPoint(255, 335))},
        {"right edge", {255, 176}, {120, 10}, QRect(QPoint(15, 15), QPoint(120, 335))},
        {"outside the overlay", {255, 335}, {300, 400}, QRect(QPoint(15, 15), QPoint(255, 335))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        overlay.resetRect();
        drag(c.handle, c.to);
        EXPECT_EQ(frame(), c.expected);
    }
}

TEST_F(OverlayTest, TooSmallAFrameSnapsTo17PixelsWidthFirst)
{
    drag(QPoint(255, 176), QPoint(20, 176));  // right edge almost onto the left
    EXPECT_EQ(frame(), QRect(QPoint(15, 15), QPoint(31, 335)));

    overlay.resetRect();
    drag(QPoint(136, 335), QPoint(136, 5));  // bottom edge past the top: inverted
    EXPECT_EQ(frame(), QRect(QPoint(15, 15), QPoint(255, 31)));

    // Snapped next to the right edge, the frame stays on the overlay.
    overlay.resetRect();
    drag(QPoint(15, 176), QPoint(262, 176));
    EXPECT_EQ(frame().right(), 267);
    EXPECT_EQ(frame().width(), 17);
}

TEST(BgWidgetTest, PlaceholderPreviewSizeLabelAndReset)
{
    BgWidget canvas;
    canvas.setGeometry(0, 0, 271, 390);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    QSignalSpy preview(&canvas, &BgWidget::scanPreview);
    EXPECT_TRUE(canvas.showsPlaceholder());
    EXPECT_EQ(canvas.captionLabel()->text(), QStringLiteral("preview"));
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(preview.count(), 1);

    // A null image is refused; a scanned one ends the placeholder.
    canvas.setBgImg(QImage());
    EXPECT_TRUE(canvas.showsPlaceholder());
    QImage page(40, 60, QImage::Format_RGB32);
    page.fill(Qt::white);
    canvas.setBgImg(page);
    EXPECT_FALSE(canvas.showsPlaceholder());
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(preview.count(), 1);

    // The paper size until the frame is dragged, then the frame's own.
    canvas.setPaperFrame(267, 370, 216, 297);
    canvas.paintingWidget()->show();
    canvas.repaint();
    EXPECT_EQ(canvas.sizeLabel()->text(), QStringLiteral("216x297"));
    canvas.paintingWidget()->rectWithBorder = RectWithBorder(QPoint(15, 15), QPoint(255, 335));
    QTest::mousePress(canvas.paintingWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseRelease(canvas.paintingWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    canvas.repaint();
    EXPECT_EQ(canvas.sizeLabel()->text(), QStringLiteral("194x257"));

    canvas.initUIdata();
    canvas.repaint();
    EXPECT_TRUE(canvas.showsPlaceholder());
    EXPECT_TRUE(canvas.paintingWidget()->isHidden());
    EXPECT_EQ(canvas.paintingWidget()->rectWithBorder.rect, QRect(QPoint(15, 15), QPoint(255, 335)));
    EXPECT_EQ(canvas.sizeLabel()->text(), QString());
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(preview.count(), 2);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// A paint that changes what it shows asks for the next paint: a canvas left
// alone would repaint for ever and hold a whole core.
TEST(BgWidgetTest, AnIdleCanvasStopsPainting)
{
    struct Case {
        const char *what;
        bool overlayShown;
    };
    const Case cases[] = {{"placeholder, no frame", false}, {"preview with its frame", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BgWidget canvas;
        canvas.setGeometry(0, 0, 271, 390);
        if (c.overlayShown) {
            canvas.setPaperFrame(267, 370, 216, 297);
            canvas.paintingWidget()->show();
        }
        PaintCounter paints(&canvas);
        canvas.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
        ASSERT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }, 5000));
        QTest::qWait(1000);
        EXPECT_LE(paints.count, 5);
        EXPECT_EQ(canvas.sizeLabel()->text(), c.overlayShown ? QStringLiteral("216x297") : QString());
    }
}

TEST(BgWidgetTest, PaperFrameIsKeptOnTheOverlay)
{
    BgWidget canvas;
    canvas.setPaperFrame(444, 500, 216, 356);
    EXPECT_EQ(canvas.paintingWidget()->rectWithBorder.rect, QRect(QPoint(0, 0), QPoint(267, 370)));
    // The scales start at the flatbed's, so a canvas nobody set still sizes.
    EXPECT_DOUBLE_EQ(canvas.scaleX(), 216.0 / 268.0);
    EXPECT_DOUBLE_EQ(canvas.scaleY(), 297.0 / 371.0);
}

}  // namespace
