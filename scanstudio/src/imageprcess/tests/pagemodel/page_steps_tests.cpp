// The full-size steps of the pipeline on pages made in the test: the turn
// and the speckle removal.

#include "page_steps.h"
#include "test_pages.h"

#include <QImage>

#include <gtest/gtest.h>

#include <utility>

namespace {

using namespace vuro;

TEST(TurnPage, ComesOutAtItsBoxAtAnyAngle)
{
    struct Turn
    {
        int degrees;
        bool swapped;  // nearer a quarter turn than a half or a whole one
    };
    const Turn turns[] = {{1, false},    {30, false},  {45, false},  {46, true},   {89, true},   {90, true},
                          {91, true},    {134, true},  {135, false}, {179, false}, {180, false}, {181, false},
                          {225, false},  {226, true},  {269, true},  {270, true},  {271, true},  {314, true},
                          {315, false},  {359, false}, {-1, false},  {-89, true},  {-91, true},  {361, false},
                          {449, true}};
    const QSize sizes[] = {QSize(50, 30), QSize(51, 31), QSize(400, 300), QSize(10, 200)};
    for (const QSize &size : sizes) {
        for (const Turn &turn : turns) {
            QImage page = TestPages::blank(size.width(), size.height(), 100, qRgb(40, 40, 40));
            steps::turnPage(page, turn.degrees);
            const QSize box = turn.swapped ? size.transposed() : size;
            EXPECT_EQ(std::make_pair(page.width(), page.height()), std::make_pair(box.width(), box.height()))
                << size.width() << "x" << size.height() << " by " << turn.degrees;
            EXPECT_EQ(qAlpha(page.pixel(0, 0)), 255) << size.width() << "x" << size.height() << " by " << turn.degrees;
        }
    }
}

// A white page with a one-pixel outline round `content` and a lone speck
// far outside it.
QImage outlinedPage(const QRect &content, int dpi, const QPoint &speck)
{
    QImage page = TestPages::blank(content.right() + 40, content.bottom() + 40, dpi);
    for (int x = content.left(); x <= content.right(); ++x) {
        page.setPixel(x, content.top(), qRgb(0, 0, 0));
        page.setPixel(x, content.bottom(), qRgb(0, 0, 0));
    }
    for (int y = content.top(); y <= content.bottom(); ++y) {
        page.setPixel(content.left(), y, qRgb(0, 0, 0));
        page.setPixel(content.right(), y, qRgb(0, 0, 0));
    }
    page.setPixel(speck, qRgb(0, 0, 0));
    return page;
}

int changedPixels(const QImage &before, const QImage &after, const QRect &rect)
{
    int changed = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y);
    return changed;
}

TEST(RemoveSpeckles, ContentEndingAtABlockEdgeIsKept)
{
    struct Blocks
    {
        int dpi;
        int size;
        int side;  // (dpi x size) / 127
    };
    const Blocks blockSizes[] = {{254, 5, 10}, {300, 3, 7}, {254, 3, 6}};
    for (const Blocks &b : blockSizes) {
        for (int k : {5, 6}) {
            for (int offset : {-1, 0, 1}) {
                const int edge = k * b.side + offset;
                for (const QRect &content : {QRect(QPoint(b.side + 2, b.side + 3), QPoint(edge, 3 * b.side + 2)),
                                             QRect(QPoint(b.side + 2, b.side + 3), QPoint(3 * b.side + 2, edge))}) {
                    const QPoint speck(content.right() + 25, 3);
                    const QImage before = outlinedPage(content, b.dpi, speck);
                    QImage after = before.copy();
                    steps::removeSpecklesOutside(after, b.size, content);
                    EXPECT_EQ(changedPixels(before, after, content), 0)
                        << "blocks of " << b.side << ", content to " << content.right() << "," << content.bottom();
                    EXPECT_EQ(after.pixel(speck), qRgb(255, 255, 255)) << "blocks of " << b.side;
                }
            }
        }
    }
}

} // namespace
