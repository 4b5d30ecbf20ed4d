// The content rectangle of a page.

#include "imagehelper.h"
#include "test_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ImageHelper::Image_DetectMaxRect;

int blockSize(int dpi)
{
    return std::max(1, dpi * 15 / 127);
}

struct BoxCase
{
    int dpi;
    bool reset;
};

class ContentRect : public ::testing::TestWithParam<BoxCase>
{
};

// The rectangle holds the content and overshoots it by at most three blocks.
TEST_P(ContentRect, HoldsTheDarkBoxWithinAFewBlocks)
{
    const int dpi = GetParam().dpi;
    const double scale = dpi / 300.0;
    const QSize a4(static_cast<int>(2480 * scale), static_cast<int>(3508 * scale));
    const QRect box(QPoint(static_cast<int>(500 * scale), static_cast<int>(800 * scale)),
                    QPoint(static_cast<int>(1500 * scale), static_cast<int>(2000 * scale)));
    const QImage page = TestPages::darkBox(a4.width(), a4.height(), dpi, box);
    const QRect found = Image_DetectMaxRect(&page, GetParam().reset);
    const int slack = 3 * blockSize(dpi);
    EXPECT_TRUE(found.contains(box)) << found.left() << "," << found.top() << " " << found.right() << "," << found.bottom();
    EXPECT_LE(box.left() - found.left(), slack);
    EXPECT_LE(box.top() - found.top(), slack);
    EXPECT_LE(found.right() - box.right(), slack);
    EXPECT_LE(found.bottom() - box.bottom(), slack);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, ContentRect,
                         ::testing::Values(BoxCase{75, true}, BoxCase{150, true}, BoxCase{150, false},
                                           BoxCase{200, true}),
                         [](const ::testing::TestParamInfo<BoxCase> &info) {
                             return std::to_string(info.param.dpi) + (info.param.reset ? "dpiReset" : "dpi");
                         });

TEST(ContentRectText, HoldsEveryTextLine)
{
    const QImage page = TestPages::textLines(850, 1100, 100, 0.0, 120);
    const QRect text(QPoint(120, 120), QPoint(850 - 121, 120 + 60 * 14 + 19));
    const QRect found = Image_DetectMaxRect(&page, true);
    EXPECT_TRUE(found.contains(text)) << found.left() << "," << found.top() << " " << found.right() << "," << found.bottom();
    EXPECT_LE(text.left() - found.left(), 3 * blockSize(100));
    EXPECT_LE(found.bottom() - text.bottom(), 3 * blockSize(100));
}

TEST(ContentRectSpecks, IgnoresAnIsolatedDot)
{
    QImage page = TestPages::darkBox(600, 800, 100, QRect(100, 100, 200, 200));
    for (int y = 650; y < 653; ++y)
        for (int x = 500; x < 503; ++x)
            page.setPixel(x, y, qRgb(0, 0, 0));
    const QRect found = Image_DetectMaxRect(&page, false);
    EXPECT_LT(found.right(), 500);
    EXPECT_LT(found.bottom(), 650);
}

TEST(ContentRectSpecks, KeepsOnlyBlocksWithThreeMarkedNeighbours)
{
    // 100 dpi: blocks of 11 px. A box at blocks 5..14 is the page's content;
    // a cluster of dark blocks far below it either joins the rectangle or is
    // cleared. Marks are cleared in row-major order as they are tested.
    const int u = blockSize(100);
    struct Case
    {
        const char *name;
        std::vector<QPoint> blocks;
        bool kept;
    } cases[] = {
        {"two by two", {{20, 40}, {21, 40}, {20, 41}, {21, 41}}, true},
        {"three by two", {{20, 40}, {21, 40}, {22, 40}, {20, 41}, {21, 41}, {22, 41}}, true},
        {"L of three", {{20, 40}, {20, 41}, {21, 41}}, false},
        {"row of four", {{20, 40}, {21, 40}, {22, 40}, {23, 40}}, false},
    };
    for (const Case &c : cases) {
        QImage page = TestPages::darkBox(600, 800, 100, QRect(5 * u, 5 * u, 10 * u, 10 * u));
        for (const QPoint &b : c.blocks)
            for (int y = b.y() * u; y < (b.y() + 1) * u; ++y)
                for (int x = b.x() * u; x < (b.x() + 1) * u; ++x)
                    page.setPixel(x, y, qRgb(0, 0, 0));
        const QRect found = Image_DetectMaxRect(&page, false);
        EXPECT_EQ(found.bottom() > 40 * u, c.kept) << c.name << ": bottom " << found.bottom();
    }
}

TEST(ContentRectBlank, BlankPageGivesTheWholeImage)
{
    for (int dpi : {72, 300}) {
        for (bool reset : {false, true}) {
            const QImage page = TestPages::blank(600, 800, dpi);
            EXPECT_EQ(Image_DetectMaxRect(&page, reset), page.rect()) << dpi << " " << reset;
        }
    }
}

TEST(ContentRectBlank, ContentInsideTheWhiteFrameIsNotContent)
{
    // The 3 mm frame is painted white before the blocks are tested.
    QImage page = TestPages::blank(600, 800, 100);
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 8; ++x)
            page.setPixel(x, y, qRgb(0, 0, 0));
    EXPECT_EQ(Image_DetectMaxRect(&page, false), page.rect());
}

TEST(ContentRectInput, NullImageGivesTheNullRectangle)
{
    const QImage null;
    EXPECT_TRUE(Image_DetectMaxRect(nullptr, true).isNull());
    EXPECT_TRUE(Image_DetectMaxRect(&null, true).isNull());
}

TEST(ContentRectInput, LowResolutionPageStillWorks)
{
    // Below 9 dpi the 3 mm blocks would be 0 pixels wide.
    for (int dpi : {1, 5, 8}) {
        const QImage page = TestPages::darkBox(120, 160, dpi, QRect(30, 40, 50, 60));
        const QRect found = Image_DetectMaxRect(&page, true);
        EXPECT_TRUE(found.contains(QRect(30, 40, 50, 60))) << dpi;
        EXPECT_LE(found.width(), 50 + 4) << dpi;
    }
}

TEST(ContentRectInput, LeavesThePageUnchanged)
{
    const QImage page = TestPages::textLines(300, 400, 100, 2.0, 20, qRgb(200, 200, 200));
    const QImage before = page.copy();
    Image_DetectMaxRect(&page, true);
    EXPECT_EQ(page, before);
}

} // namespace
