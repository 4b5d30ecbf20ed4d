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

} // namespace
