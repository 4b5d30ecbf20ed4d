// The corrections that run in row bands on several cores give the pixels of
// a run on one core, also on images that share their pixels with another.

#include "page_fixture.h"
#include "page_steps.h"
#include "scanimage.h"
#include "test_pages.h"

#include <sched.h>

#include <functional>
#include <memory>

namespace {

using vuro::ScanImage;

constexpr int kRuns = 40;

int usableCpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 0;
}

// Runs `work` with this thread, and the threads it starts, on one core.
void onOneCore(const std::function<void()> &work)
{
    cpu_set_t all;
    CPU_ZERO(&all);
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    int first = 0;
    while (!CPU_ISSET(first, &all))
        ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    work();
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
}

QImage colourfulPage()
{
    return TestPages::textLines(640, 480, 100, 4.0, 40, qRgb(230, 200, 150), qRgb(30, 60, 120));
}

struct Correction
{
    const char *name;
    std::function<void(QImage &)> apply;
};

TEST(RowBands, CorrectionsOfASharedImageGiveTheOneCoreResult)
{
    if (usableCpus() < 2)
        GTEST_SKIP() << "needs two cores";
    const Correction corrections[] = {
        {"contrast and brightness", [](QImage &i) { ScanImage::handleContractAndBrightness(&i, 40, -20); }},
        {"gamma", [](QImage &i) { ScanImage::handleGamma(&i, 20); }},
        {"gray", [](QImage &i) { ScanImage::handleGray(&i, ScanImage::GrayWeighted, 0.3, 0.59, 0.11); }},
        {"black and white", [](QImage &i) { ScanImage::handleMono(&i, 128); }},
        {"speckle removal", [](QImage &i) { vuro::steps::removeSpecklesOutside(i, 3, QRect(200, 150, 200, 150)); }},
        {"turn", [](QImage &i) { vuro::steps::turnPage(i, 30); }},
    };
    const QImage page = colourfulPage();
    for (const Correction &c : corrections) {
        QImage expected = page.copy();
        onOneCore([&] { c.apply(expected); });
        for (int run = 0; run < kRuns; ++run) {
            const QImage original = page.copy();
            QImage shared = original;
            c.apply(shared);
            ASSERT_EQ(shared, expected) << c.name << ", run " << run;
            ASSERT_EQ(original, page) << c.name << ": the other image keeps its pixels";
        }
    }
}

class ShowImageBands : public PageFixture {
};

// A show box that the show file already fits makes the view a shared copy
// of the loaded file.
TEST_F(ShowImageBands, ViewsThatNeedNoScalingGiveTheOneCoreResult)
{
    if (usableCpus() < 2)
        GTEST_SKIP() << "needs two cores";
    QImage image = colourfulPage();
    ScanImage page(workFolder());
    page.setImage(&image, 100, 90);
    page.setContract(30);
    page.setBrightness(10);
    page.setGamma(15);
    page.setShowSize(300, 225, true);
    for (vuro_color_format format : {color_full, color_gray, color_mono}) {
        std::unique_ptr<QImage> expected;
        onOneCore([&] { expected.reset(page.getShowImage(format)); });
        ASSERT_TRUE(expected);
        ASSERT_EQ(expected->size(), QSize(300, 225));
        for (int run = 0; run < kRuns; ++run) {
            std::unique_ptr<QImage> shown(page.getShowImage(format));
            ASSERT_TRUE(shown);
            ASSERT_EQ(*shown, *expected) << "format " << format << ", run " << run;
        }
    }
}

} // namespace
