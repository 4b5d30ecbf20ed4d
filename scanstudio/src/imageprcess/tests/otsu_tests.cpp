// Gray values, binarisation and the Otsu threshold.

#include "cuiimage.h"
#include "gray_value.h"
#include "resolution.h"
#include "test_pages.h"

#include <gtest/gtest.h>

namespace {

using ImageHelper::CUIImage;

TEST(GrayValue, TruncatesTheWeightedSumInWrittenOrder)
{
    struct Case
    {
        int r, g, b;
        int gray;
    } cases[] = {
        {255, 255, 255, 255}, {0, 0, 0, 0},   {19, 19, 19, 18},  {230, 230, 230, 230},
        {255, 0, 0, 54},      {0, 255, 0, 182}, {0, 0, 255, 18}, {10, 200, 30, 147},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ImageHelper::grayOf(c.r, c.g, c.b), c.gray) << c.r << "," << c.g << "," << c.b;
}

TEST(GrayValue, BinarisationComparesTheTruncatedGray)
{
    // Neutral 19 has gray 18: below a threshold of 19, so it turns black.
    QImage image = TestPages::blank(2, 1, 100, qRgb(19, 19, 19));
    image.setPixel(1, 0, qRgba(20, 20, 20, 128));
    CUIImage wrapper(&image);
    wrapper.Gray2Value(19);
    EXPECT_EQ(image.pixel(0, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgba(255, 255, 255, 128)) << "alpha is kept";
}

QImage twoLevels(int dark, int light, int darkColumns, int width, int height)
{
    QImage image = TestPages::blank(width, height, 100, qRgb(light, light, light));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < darkColumns; ++x)
            image.setPixel(x, y, qRgb(dark, dark, dark));
    return image;
}

TEST(Otsu, ThresholdAndMeanOfKnownHistograms)
{
    struct Case
    {
        const char *name;
        QImage image;
        int threshold;
        int mean;
    } cases[] = {
        // Equal classes: every split between them scores the same; the first
        // one past the dark level wins.
        {"half 40, half 200", twoLevels(40, 200, 10, 20, 10), 41, 120},
        {"quarter black", twoLevels(0, 255, 5, 20, 10), 1, 191},
        // The running mean starts at P[0] rather than 0 x P[0]: 127.5 + 0.5.
        {"half black", twoLevels(0, 255, 10, 20, 10), 1, 128},
        // One level only: no split scores, the threshold stays 0.
        {"uniform 128", TestPages::blank(20, 10, 100, qRgb(128, 128, 128)), 0, 128},
        {"white", TestPages::blank(20, 10, 100), 0, 255},
    };
    for (const Case &c : cases) {
        CUIImage wrapper(const_cast<QImage *>(&c.image));
        unsigned char mean = 0;
        EXPECT_EQ(wrapper.OTSU_threshold(mean), c.threshold) << c.name;
        EXPECT_EQ(mean, c.mean) << c.name;
    }
}

TEST(Otsu, RectangleCountsExactlyTheRectanglesPixels)
{
    // A textured page; the Otsu of a rectangle must equal the Otsu of that
    // rectangle cut out, right column and bottom row included.
    QImage page = TestPages::textLines(300, 200, 100, 4.0, 10, qRgb(240, 240, 240), qRgb(30, 30, 30));
    for (int y = 0; y < page.height(); ++y)
        page.setPixel(150, y, qRgb(90, 90, 90));
    const QRect rects[] = {QRect(QPoint(0, 0), QPoint(150, 40)), QRect(QPoint(20, 15), QPoint(150, 120)),
                           QRect(QPoint(150, 0), QPoint(150, 199)), page.rect()};
    CUIImage whole(&page);
    for (const QRect &rect : rects) {
        QImage cut = page.copy(rect);
        CUIImage part(&cut);
        unsigned char cutMean = 0;
        unsigned char rectMean = 0;
        const int expected = part.OTSU_threshold(cutMean);
        EXPECT_EQ(whole.OTSU_threshold_ex(rectMean, &rect), expected);
        EXPECT_EQ(rectMean, cutMean);
    }
    unsigned char mean = 0;
    unsigned char exMean = 0;
    EXPECT_EQ(whole.OTSU_threshold_ex(exMean, nullptr), whole.OTSU_threshold(mean));
    EXPECT_EQ(exMean, mean);
}

TEST(Otsu, DarkMeanIsTheMeanOfEveryPixelBelowTheThreshold)
{
    // Gray 30 and 90 in equal parts below the threshold, 240 above it.
    QImage page = twoLevels(90, 240, 8, 20, 10);
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < 4; ++x)
            page.setPixel(x, y, qRgb(30, 30, 30));
    CUIImage wrapper(&page);
    unsigned char mean = 0;
    unsigned char darkMean = 0;
    EXPECT_EQ(wrapper.OTSU_threshold_ex(mean, nullptr, &darkMean), 91);
    EXPECT_EQ(darkMean, 60);
    const QRect lightOnly(QPoint(10, 0), QPoint(19, 9));
    EXPECT_EQ(wrapper.OTSU_threshold_ex(mean, &lightOnly, &darkMean), 0);
    EXPECT_EQ(darkMean, 0) << "nothing below the threshold";
}

TEST(Otsu, ConvertsOtherFormatsFirst)
{
    QImage argb = twoLevels(40, 200, 10, 20, 10);
    QImage rgb888 = argb.convertToFormat(QImage::Format_RGB888);
    CUIImage a(&argb);
    CUIImage b(&rgb888);
    unsigned char meanA = 0, meanB = 0;
    EXPECT_EQ(a.OTSU_threshold(meanA), b.OTSU_threshold(meanB));
    EXPECT_EQ(meanA, meanB);
}

TEST(CUIImageCopy, OwnsA32BitCopyWithTheResolution)
{
    QImage source = TestPages::textLines(100, 80, 127, 0, 5);
    source = source.convertToFormat(QImage::Format_RGB888);
    CUIImage copy;
    copy.CopyFrom(source);
    ASSERT_NE(copy.image(), nullptr);
    EXPECT_EQ(copy.image()->depth(), 32);
    EXPECT_EQ(copy.image()->dotsPerMeterX(), ImageHelper::dotsPerMeter(127));
    EXPECT_EQ(copy.image()->dotsPerMeterY(), ImageHelper::dotsPerMeter(127));
    copy.Destory();
    EXPECT_EQ(copy.image(), nullptr);

    const QImage gray = CUIImage(&source).To8bppGrayImage();
    EXPECT_EQ(gray.format(), QImage::Format_Indexed8);
    EXPECT_EQ(gray.pixelIndex(0, 0), 255);
    EXPECT_EQ(gray.pixelIndex(5, 5), 0);
    EXPECT_EQ(gray.color(19), qRgb(19, 19, 19));
    EXPECT_EQ(gray.dotsPerMeterX(), source.dotsPerMeterX());
}

TEST(Resolution, ReadsDotsPerInchBackByRounding)
{
    for (int dpi : {5, 9, 72, 75, 100, 127, 150, 200, 254, 300, 600, 1200}) {
        const QImage page = TestPages::blank(4, 4, dpi);
        EXPECT_EQ(ImageHelper::dpiX(page), dpi);
    }
}

} // namespace
