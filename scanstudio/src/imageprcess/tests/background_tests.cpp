// Background whitening and the white frame.

#include "cuiimage.h"
#include "gray_value.h"
#include "imagehelper.h"
#include "resolution.h"
#include "test_pages.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

using ImageHelper::Image_ResetBackcolor;

// Pixels of `page` whose counterpart in `original` had `colour`, collected.
std::set<QRgb> coloursWhere(const QImage &page, const QImage &original, QRgb colour)
{
    std::set<QRgb> found;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (original.pixel(x, y) == colour)
                found.insert(page.pixel(x, y));
    return found;
}

TEST(Whitening, GrayBackgroundTakesTheColourAndTextStays)
{
    const QRgb gray = qRgb(230, 230, 230);
    for (QRgb colour : {qRgb(255, 255, 255), qRgb(255, 0, 0)}) {
        const QImage original = TestPages::textLines(850, 1100, 100, 0.0, 60, gray);
        QImage page = original.copy();
        Image_ResetBackcolor(&page, colour, 3);
        EXPECT_EQ(coloursWhere(page, original, gray), std::set<QRgb>{colour}) << "the frame too";
        EXPECT_EQ(coloursWhere(page, original, qRgb(0, 0, 0)), std::set<QRgb>{qRgb(0, 0, 0)});
    }
}

TEST(Whitening, AlmostWhitePageTakesItsThresholdFromItsContent)
{
    // White paper with a faint 251 sheet holding a small 200 mark: the page's
    // own Otsu threshold (252) would keep the sheet; the one inside the
    // content rectangle (201) sets the sheet to the colour.
    const QRgb sheet = qRgb(251, 251, 251);
    QImage original = TestPages::blank(400, 500, 100);
    for (int y = 150; y < 350; ++y)
        for (int x = 120; x < 280; ++x)
            original.setPixel(x, y, sheet);
    for (int y = 245; y < 255; ++y)
        for (int x = 195; x < 205; ++x)
            original.setPixel(x, y, qRgb(200, 200, 200));
    QImage page = original.copy();
    const QRgb red = qRgb(255, 0, 0);
    Image_ResetBackcolor(&page, red, 3);
    EXPECT_EQ(coloursWhere(page, original, sheet), std::set<QRgb>{red});
    EXPECT_EQ(coloursWhere(page, original, qRgb(255, 255, 255)), std::set<QRgb>{red});
}

TEST(Whitening, PagesOfOtherByteOrdersAreConvertedFirst)
{
    // 32-bit formats whose bytes are not blue, green, red, alpha must not be
    // read or painted as if they were.
    const QRgb gray = qRgb(230, 230, 200);
    const QRgb red = qRgb(255, 0, 0);
    for (QImage::Format format : {QImage::Format_RGBA8888, QImage::Format_RGBX8888, QImage::Format_RGB888}) {
        const QImage original = TestPages::textLines(400, 500, 100, 0.0, 60, gray);
        QImage page = original.convertToFormat(format);
        Image_ResetBackcolor(&page, red, 3);
        EXPECT_EQ(coloursWhere(page, original, gray), std::set<QRgb>{red}) << format;
        EXPECT_EQ(coloursWhere(page, original, qRgb(0, 0, 0)), std::set<QRgb>{qRgb(0, 0, 0)}) << format;

        QImage framed = original.convertToFormat(format);
        ImageHelper::Image_Fillborder(&framed, 3, red);
        EXPECT_EQ(framed.pixel(0, 0), qRgb(255, 255, 255)) << format;
        EXPECT_EQ(framed.pixel(200, 250), original.pixel(200, 250)) << format;
    }
}

TEST(ContentReset, BinarisesAroundTheOtsuThresholdAndMean)
{
    // Two gray levels in equal halves: Otsu's threshold h is the darker level
    // plus one, the mean m lies halfway. The binarisation threshold is h
    // above 245, else from d = |m - h|: max(35, 2d) up to 19, max(35, d) up
    // to 128.
    struct Case
    {
        const char *name;
        int dark;
        int light;
        bool darkTurnsBlack;
    } cases[] = {
        {"d 19: threshold 38", 36, 77, true},
        {"d 49: threshold 49", 60, 160, false},
        {"h 247: threshold 247", 246, 249, true},
    };
    for (const Case &c : cases) {
        QImage page = TestPages::blank(100, 4, 100, qRgb(c.light, c.light, c.light));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 50; ++x)
                page.setPixel(x, y, qRgb(c.dark, c.dark, c.dark));
        ImageHelper::CUIImage wrapper(&page);
        wrapper.ResetBackcolor(0xFFFFFFFFu);
        EXPECT_EQ(page.pixel(0, 0), c.darkTurnsBlack ? qRgb(0, 0, 0) : qRgb(255, 255, 255)) << c.name;
        EXPECT_EQ(page.pixel(99, 0), qRgb(255, 255, 255)) << c.name;
    }
}

// An A4 sheet of white paper with gray text (gray 44 and 60), turned 3
// degrees, on a dark or a white scanner bed, scanned at 100 dpi.
struct Sheet
{
    const char *name;
    QRgb bed;
    double coverage;
};

void PrintTo(const Sheet &sheet, std::ostream *out)
{
    *out << sheet.name;
}

class SheetOnBed : public ::testing::TestWithParam<Sheet>
{
protected:
    QImage scan(std::vector<bool> *ink = nullptr) const
    {
        return TestPages::sheetOnBed(827, 1169, 100, 3.0, GetParam().coverage, GetParam().bed, ink);
    }
};

TEST_P(SheetOnBed, InkStaysDarkerThanMidGray)
{
    std::vector<bool> ink;
    const QImage original = scan(&ink);
    QImage page = original.copy();
    Image_ResetBackcolor(&page, qRgb(255, 255, 255), 3);
    int inked = 0;
    int kept = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (!ink[static_cast<std::size_t>(y) * page.width() + x])
                continue;
            ++inked;
            kept += ImageHelper::grayOf(page.pixel(x, y)) < 128;
        }
    }
    ASSERT_GT(inked, 0);
    EXPECT_GE(kept, inked * 0.95) << kept << " of " << inked << " ink pixels";
    EXPECT_EQ(page.pixel(page.width() / 2, page.height() - 30), qRgb(255, 255, 255)) << "the paper";
}

TEST_P(SheetOnBed, DeskewEstimateAfterWhiteningFindsTheTurn)
{
    bool ok = false;
    EXPECT_NEAR(TestPages::estimateSkewDegrees(scan(), &ok), 3.0, 1.0);
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(Beds, SheetOnBed,
                         ::testing::Values(Sheet{"DarkBed80", qRgb(92, 92, 98), 0.80},
                                           Sheet{"DarkBed90", qRgb(92, 92, 98), 0.90},
                                           Sheet{"WhiteBed80", qRgb(255, 255, 255), 0.80},
                                           Sheet{"WhiteBed90", qRgb(255, 255, 255), 0.90}),
                         [](const ::testing::TestParamInfo<Sheet> &info) { return std::string(info.param.name); });

TEST(Whitening, PaintsA3MillimetreWhiteFrame)
{
    // 100 dpi: 3 mm are 11 pixels; the right and bottom frames are one narrower.
    QImage page = TestPages::blank(200, 300, 100, qRgb(10, 10, 10));
    Image_ResetBackcolor(&page, qRgb(255, 255, 255), 3);
    const QRgb white = 0xFFFFFFFFu;
    EXPECT_EQ(page.pixel(10, 150), white);
    EXPECT_EQ(page.pixel(100, 10), white);
    EXPECT_EQ(page.pixel(190, 150), white);
    EXPECT_EQ(page.pixel(100, 290), white);
}

TEST(Whitening, DarkPagePaintsItsDarkSide)
{
    // A page whose mean is 35 or less: the background is the dark side.
    const QImage original = TestPages::textLines(400, 500, 100, 0.0, 150, qRgb(0, 0, 0), qRgb(255, 255, 255));
    QImage page = original.copy();
    Image_ResetBackcolor(&page, qRgb(0, 0, 255), 3);
    const std::set<QRgb> background = coloursWhere(page, original, qRgb(0, 0, 0));
    EXPECT_EQ(background, std::set<QRgb>{qRgb(0, 0, 255)});
    EXPECT_EQ(coloursWhere(page, original, qRgb(255, 255, 255)), std::set<QRgb>{qRgb(255, 255, 255)});
}

TEST(Whitening, NullImageIsLeftAlone)
{
    Image_ResetBackcolor(nullptr, 0xFFFFFFFFu, 3);
    QImage null;
    Image_ResetBackcolor(&null, 0xFFFFFFFFu, 3);
    EXPECT_TRUE(null.isNull());
}

TEST(Fillborder, PaintsAnOpaqueWhiteFrameOfTheGivenWidthWhateverTheColour)
{
    struct Case
    {
        int dpi;
        int millimetres;
        int pixels;
    } cases[] = {{100, 3, 11}, {300, 3, 35}, {300, 10, 118}, {5, 3, 1}, {300, 0, 1}};
    for (const Case &c : cases) {
        QImage page = TestPages::blank(400, 300, c.dpi, qRgb(0, 0, 0));
        ImageHelper::Image_Fillborder(&page, c.millimetres, qRgba(255, 0, 0, 0));
        EXPECT_EQ(page.pixel(0, 0), 0xFFFFFFFFu) << "all four bytes 255";
        EXPECT_EQ(page.pixel(c.pixels - 1, 150), qRgb(255, 255, 255)) << c.dpi << " " << c.millimetres;
        EXPECT_EQ(page.pixel(c.pixels, 150), qRgb(0, 0, 0)) << c.dpi << " " << c.millimetres;
        EXPECT_EQ(page.pixel(200, c.pixels - 1), qRgb(255, 255, 255)) << c.dpi << " " << c.millimetres;
        EXPECT_EQ(page.pixel(200, c.pixels), qRgb(0, 0, 0)) << c.dpi << " " << c.millimetres;
        // Right and bottom: x > width - n, one pixel narrower.
        EXPECT_EQ(page.pixel(399, 150), c.pixels > 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0)) << c.dpi;
        EXPECT_EQ(page.pixel(400 - c.pixels, 150), qRgb(0, 0, 0)) << c.dpi << " " << c.millimetres;
        EXPECT_EQ(page.pixel(200, 300 - c.pixels), qRgb(0, 0, 0)) << c.dpi << " " << c.millimetres;
    }
}

} // namespace
