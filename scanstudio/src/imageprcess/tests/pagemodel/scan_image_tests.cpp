// A page's work files and its correction pipeline.

#include "gray_value.h"
#include "page_fixture.h"
#include "page_steps.h"
#include "scanimage.h"
#include "test_pages.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace {

using vuro::ScanImage;

class ScanImageTest : public PageFixture {
protected:
    std::unique_ptr<ScanImage> newPage(QImage image, unsigned dpi = 100, int quality = 70)
    {
        auto page = std::make_unique<ScanImage>(workFolder());
        page->setImage(&image, dpi, quality);
        return page;
    }
};

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(ScanImageTest, WorkFilesLiveAsLongAsThePage)
{
    auto page = newPage(TestPages::blank(400, 300, 100, qRgb(90, 140, 200)), 150);
    EXPECT_EQ(workFiles().size(), 3u);
    const QImage unedited = loadJpeg(page->originalFile());
    const QImage handle = loadJpeg(page->handleFile());
    const QImage show = loadJpeg(page->showFile());
    ASSERT_FALSE(unedited.isNull());
    EXPECT_EQ(unedited.size(), QSize(400, 300));
    EXPECT_EQ(handle.size(), QSize(400, 300));
    EXPECT_EQ(show.size(), QSize(300, 225));
    // The resolution travels with the files: trunc(150 x 39.37) read back.
    EXPECT_EQ(std::lround(handle.dotsPerMeterX() * 0.0254), 150);
    EXPECT_EQ(page->getImageSize(), QSize(400, 300));

    page.reset();
    EXPECT_TRUE(workFiles().empty());
}

TEST_F(ScanImageTest, PagesMadeWithinOneSecondKeepTheirOwnFiles)
{
    std::vector<std::unique_ptr<ScanImage>> pages;
    for (int i = 0; i < 50; ++i)
        pages.push_back(newPage(TestPages::blank(40, 30, 100, qRgb(i * 5, 0, 0))));
    EXPECT_EQ(workFiles().size(), 150u);
    for (int i = 0; i < 50; i += 7) {
        QImage *saved = pages[i]->getSaveImage(color_full);
        ASSERT_NE(saved, nullptr);
        EXPECT_NEAR(qRed(saved->pixel(20, 15)), i * 5, 3) << "page " << i;
        delete saved;
    }
}

TEST_F(ScanImageTest, FileAlreadyAtThePageNameIsLeftAlone)
{
    auto page = std::make_unique<ScanImage>(workFolder());
    const QString planned = page->originalFile();
    QDir().mkpath(workFolder());
    QFile planted(planned);
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.write("not a page");
    planted.close();

    QImage image = TestPages::blank(40, 30, 100, qRgb(10, 20, 30));
    page->setImage(&image, 100, 70);
    EXPECT_NE(page->originalFile(), planned);
    EXPECT_FALSE(loadJpeg(page->handleFile()).isNull());
    page.reset();
    EXPECT_EQ(bytesOf(planned), QByteArray("not a page"));
    EXPECT_EQ(workFiles().size(), 1u);
}

TEST_F(ScanImageTest, SettingBeforeTheImageWritesNothing)
{
    ScanImage page(workFolder());
    page.setMedianBlur(true, 3);
    page.rote90Right();
    EXPECT_TRUE(workFiles().empty());
    EXPECT_EQ(page.getShowImage(color_full), nullptr);
    EXPECT_EQ(page.getSaveImage(color_full), nullptr);
}

// Where the black mark of the top-left corner ends up.
enum Corner { TopLeft, TopRight, BottomRight, BottomLeft };

bool darkAt(const QImage &image, Corner corner)
{
    const int side = 30;
    const int x = corner == TopLeft || corner == BottomLeft ? 10 : image.width() - 10 - side;
    const int y = corner == TopLeft || corner == TopRight ? 10 : image.height() - 10 - side;
    return meanGray(image, QRect(x, y, side, side)) < 40;
}

struct TurnCase
{
    const char *name;
    std::function<void(ScanImage &)> turn;
    QSize size;
    int rightAngle;
    Corner mark;
};

void PrintTo(const TurnCase &c, std::ostream *out)
{
    *out << c.name;
}

class PageTurns : public ScanImageTest, public ::testing::WithParamInterface<TurnCase> {
};

TEST_P(PageTurns, EndsWithTheMarkWhereTheTurnTakesIt)
{
    const TurnCase &c = GetParam();
    auto page = newPage(withCornerMark(TestPages::blank(400, 300, 100, qRgb(255, 255, 255)), 30, 10));
    c.turn(*page);
    EXPECT_EQ(page->getRightAngle(), c.rightAngle);
    const QImage handle = loadJpeg(page->handleFile());
    ASSERT_EQ(handle.size(), c.size);
    for (Corner corner : {TopLeft, TopRight, BottomRight, BottomLeft})
        EXPECT_EQ(darkAt(handle, corner), corner == c.mark) << "corner " << corner;
}

INSTANTIATE_TEST_SUITE_P(
    Turns, PageTurns,
    ::testing::Values(
        TurnCase{"RightOnce", [](ScanImage &p) { p.rote90Right(); }, QSize(300, 400), 90, TopRight},
        TurnCase{"LeftOnce", [](ScanImage &p) { p.rote90Left(); }, QSize(300, 400), -90, BottomLeft},
        TurnCase{"RightFourTimes",
                 [](ScanImage &p) {
                     for (int i = 0; i < 4; ++i)
                         p.rote90Right();
                 },
                 QSize(400, 300), 0, TopLeft},
        TurnCase{"RightTwiceAndLeftFiveTimes",
                 [](ScanImage &p) {
                     p.rote90Right();
                     p.rote90Right();
                     for (int i = 0; i < 5; ++i)
                         p.rote90Left();
                 },
                 QSize(300, 400), -270, TopRight},
        // 270 + 180 turns by 450, that is 90: the whole page, uncut.
        TurnCase{"RightAngleAndFineAngleBeyondAFullTurn",
                 [](ScanImage &p) {
                     p.setRightAngle(270);
                     p.setFineAngle(180);
                 },
                 QSize(300, 400), 270, TopRight}),
    [](const ::testing::TestParamInfo<TurnCase> &info) { return info.param.name; });

TEST_F(ScanImageTest, FineAngleKeepsOrSwapsTheSizeAndWhitensTheCorners)
{
    auto page = newPage(TestPages::blank(400, 300, 100, qRgb(60, 60, 60)));
    page->setFineAngle(30);
    QImage handle = loadJpeg(page->handleFile());
    ASSERT_EQ(handle.size(), QSize(400, 300));
    EXPECT_GT(qGray(handle.pixel(1, 1)), 245) << "exposed corner";
    EXPECT_LT(qGray(handle.pixel(200, 150)), 70) << "page centre";

    page->setFineAngle(60);
    handle = loadJpeg(page->handleFile());
    EXPECT_EQ(handle.size(), QSize(300, 400));
    EXPECT_EQ(page->getFineAngle(), 60);
}

TEST_F(ScanImageTest, ColourCorrectionsReachTheViewsAndNotTheWorkFiles)
{
    struct Case
    {
        int gray;
        int contrast;
        int brightness;
        int gamma;
        int expected;
    };
    // Brightness 50 on 100 gives 150; gamma 2.0 on 64 gives 128.
    for (const Case &c : {Case{100, 0, 50, 10, 150}, Case{64, 0, 0, 20, 128}, Case{100, 0, -100, 10, 0},
                          Case{200, 100, 0, 10, 200}}) {
        auto page = newPage(TestPages::blank(200, 100, 100, qRgb(c.gray, c.gray, c.gray)));
        page->setContract(c.contrast);
        page->setBrightness(c.brightness);
        page->setGamma(c.gamma);
        page->setShowSize(158, 224, true);
        std::unique_ptr<QImage> saved(page->getSaveImage(color_full));
        std::unique_ptr<QImage> shown(page->getShowImage(color_full));
        ASSERT_TRUE(saved && shown);
        EXPECT_EQ(saved->size(), QSize(200, 100));
        EXPECT_EQ(shown->size(), QSize(158, 78)) << "158 / 300 x 150 is just below 79";
        EXPECT_NEAR(qGray(saved->pixel(100, 50)), c.expected, 2) << c.gray << " " << c.brightness;
        EXPECT_NEAR(qGray(shown->pixel(79, 40)), c.expected, 2) << c.gray << " " << c.brightness;
        EXPECT_NEAR(qGray(loadJpeg(page->handleFile()).pixel(100, 50)), c.gray, 2);
    }
}

TEST_F(ScanImageTest, ContrastSpreadsAroundTheMean)
{
    QImage image = TestPages::blank(200, 100, 100, qRgb(100, 100, 100));
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            image.setPixel(x, y, qRgb(200, 200, 200));
    auto page = newPage(image, 100, 100);
    page->setContract(100);
    std::unique_ptr<QImage> saved(page->getSaveImage(color_full));
    ASSERT_TRUE(saved);
    // Mean 150, twice the distance from it.
    EXPECT_NEAR(qGray(saved->pixel(40, 50)), 50, 3);
    EXPECT_NEAR(qGray(saved->pixel(160, 50)), 250, 3);
}

TEST(ContrastAndBrightness, MeansOfPagesAboveSixteenMegapixelsAreExact)
{
    // 4200 x 4100 white pixels: a 32-bit channel sum would wrap at 16843009.
    QImage page = TestPages::blank(4200, 4100, 100, qRgb(255, 255, 255));
    ScanImage::handleContractAndBrightness(&page, 0, -50);
    // Mean 255, offset trunc(255 x 0.5).
    EXPECT_EQ(page.pixel(0, 0), qRgb(127, 127, 127));
    EXPECT_EQ(page.pixel(4199, 4099), qRgb(127, 127, 127));
}

TEST(PointOperations, NeutralValuesLeaveThePixelsAlone)
{
    QImage page = TestPages::textLines(300, 200, 100, 5.0, 20, qRgb(180, 120, 60), qRgb(20, 40, 90));
    const QImage before = page.copy();
    ScanImage::handleGamma(&page, 10);
    ScanImage::handleContractAndBrightness(&page, 0, 0);
    EXPECT_EQ(page, before);
    QImage null;
    ScanImage::handleGamma(&null, 20);
    ScanImage::handleContractAndBrightness(&null, 10, 10);
    ScanImage::handleGray(nullptr, ScanImage::GrayWeighted, 0.3, 0.59, 0.11);
    ScanImage::handleMono(nullptr, 128);
    EXPECT_TRUE(null.isNull());
}

TEST(PointOperations, GrayTypesAndTheMonoGate)
{
    struct Case
    {
        ScanImage::GrayType type;
        int expected;
    };
    // Red 200, green 100, blue 30.
    for (const Case &c : {Case{ScanImage::GrayMax, 200}, Case{ScanImage::GrayMean, 110},
                          Case{ScanImage::GrayWeighted, 122}}) {
        QImage page = TestPages::blank(4, 4, 100, qRgb(200, 100, 30));
        ScanImage::handleGray(&page, c.type, 0.3, 0.59, 0.11);
        EXPECT_EQ(page.pixel(1, 1), qRgb(c.expected, c.expected, c.expected)) << c.type;
    }
    QImage rgb888 = TestPages::blank(4, 4, 100, qRgb(200, 100, 30)).convertToFormat(QImage::Format_RGB888);
    ScanImage::handleGray(&rgb888, ScanImage::GrayWeighted, 0.3, 0.59, 0.11);
    EXPECT_EQ(rgb888.pixel(1, 1), qRgb(122, 122, 122));
    QImage indexed = TestPages::blank(4, 4, 100, qRgb(200, 100, 30)).convertToFormat(QImage::Format_Indexed8);
    const QRgb unchanged = indexed.pixel(1, 1);
    ScanImage::handleGray(&indexed, ScanImage::GrayWeighted, 0.3, 0.59, 0.11);
    EXPECT_EQ(indexed.pixel(1, 1), unchanged) << "only 24 and 32-bit pixels";

    for (int gray : {128, 129}) {
        QImage page = TestPages::blank(4, 4, 100, qRgb(gray, gray, gray));
        ScanImage::handleMono(&page, 128);
        EXPECT_EQ(page.pixel(0, 0), gray > 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0)) << gray;
    }
}

TEST_F(ScanImageTest, SettingsAreHeldToTheirRanges)
{
    ScanImage page(workFolder());
    page.setGamma(0);
    EXPECT_EQ(page.getGamma(), 1);
    page.setGamma(99);
    EXPECT_EQ(page.getGamma(), 50);
    page.setContract(-500);
    EXPECT_EQ(page.getContrast(), -100);
    page.setBrightness(300);
    EXPECT_EQ(page.getBrightness(), 100);
    page.setFineAngle(-725);
    EXPECT_EQ(page.getFineAngle(), -5);
}

TEST_F(ScanImageTest, ViewsInGrayAndBlackAndWhite)
{
    auto page = newPage(TestPages::blank(100, 100, 100, qRgb(200, 40, 40)), 100, 100);
    std::unique_ptr<QImage> gray(page->getSaveImage(color_gray));
    std::unique_ptr<QImage> mono(page->getSaveImage(color_mono));
    ASSERT_TRUE(gray && mono);
    const QRgb g = gray->pixel(50, 50);
    EXPECT_EQ(qRed(g), qGreen(g));
    EXPECT_EQ(qGreen(g), qBlue(g));
    EXPECT_NEAR(qRed(g), 0.3 * 200 + 0.59 * 40 + 0.11 * 40, 3);
    EXPECT_EQ(mono->pixel(50, 50), qRgb(0, 0, 0)) << "gray 88 is below the gate";
}

// Every geometry change starts again from the unedited page.
struct RerunCase
{
    const char *name;
    std::function<void(ScanImage &)> both;
    std::function<void(ScanImage &)> second;
};

void PrintTo(const RerunCase &c, std::ostream *out)
{
    *out << c.name;
}

class Reruns : public ScanImageTest, public ::testing::WithParamInterface<RerunCase> {
};

TEST_P(Reruns, TwoChangesGiveWhatTheSecondGivesAlone)
{
    const QImage image = TestPages::darkBox(400, 500, 100, QRect(100, 150, 200, 200));
    auto twice = newPage(image);
    auto once = newPage(image);
    GetParam().both(*twice);
    GetParam().second(*once);
    const QByteArray handle = bytesOf(twice->handleFile());
    EXPECT_FALSE(handle.isEmpty());
    EXPECT_EQ(handle, bytesOf(once->handleFile()));
}

INSTANTIATE_TEST_SUITE_P(
    Pipeline, Reruns,
    ::testing::Values(
        RerunCase{"FineAngleReplacesTheLastOne",
                  [](ScanImage &p) {
                      p.setFineAngle(30);
                      p.setFineAngle(10);
                  },
                  [](ScanImage &p) { p.setFineAngle(10); }},
        RerunCase{"BorderRemovalSwitchedOffAgain",
                  [](ScanImage &p) {
                      p.setElimBorder(true);
                      p.setElimBorder(false);
                  },
                  [](ScanImage &p) { p.setElimBorder(false); }},
        // A manual rectangle set while automatic removal is on is kept and
        // cut once.
        RerunCase{"ManualRectangleWinsOverAutomaticRemoval",
                  [](ScanImage &p) {
                      p.setElimBorder(true);
                      p.setElimBorderRect(QRect(20, 30, 240, 160));
                  },
                  [](ScanImage &p) { p.setElimBorderRect(QRect(20, 30, 240, 160)); }}),
    [](const ::testing::TestParamInfo<RerunCase> &info) { return info.param.name; });

TEST_F(ScanImageTest, ManualRectangleCutsOnceWhileAutomaticRemovalIsOn)
{
    auto page = newPage(TestPages::darkBox(400, 500, 100, QRect(100, 150, 200, 200)));
    page->setElimBorder(true);
    const QRect rect(20, 30, 240, 160);
    page->setElimBorderRect(rect);
    EXPECT_EQ(page->getElimBorderRect(), rect);
    EXPECT_TRUE(page->getElimBorder());
    EXPECT_EQ(loadJpeg(page->handleFile()).size(), rect.size());
}

TEST_F(ScanImageTest, AutomaticBorderRemovalCutsToTheContent)
{
    const QRect box(100, 150, 200, 200);
    auto page = newPage(TestPages::darkBox(400, 500, 100, box));
    EXPECT_EQ(page->getElimBorderRect(), QRect(QPoint(0, 0), QPoint(-1, -1))) << "null rectangle at first";
    page->setElimBorder(true);
    const QRect found = page->getElimBorderRect();
    EXPECT_TRUE(found.contains(box)) << found.x() << "," << found.y() << " " << found.width() << "x" << found.height();
    EXPECT_LT(found.width(), 400);
    EXPECT_LT(found.height(), 500);
    EXPECT_EQ(loadJpeg(page->handleFile()).size(), found.size());
}

TEST_F(ScanImageTest, DeskewLevelsATiltedPage)
{
    // Tilted clockwise by 6 degrees: the page is turned back counter-clockwise.
    auto page = newPage(TestPages::tiltedRectangle(300, 400, 75, 6.0, 40), 75);
    page->setDeskew(true);
    EXPECT_GE(page->getSkewAngle(), -6);
    EXPECT_LE(page->getSkewAngle(), -5);
    EXPECT_EQ(page->getRoteAngle(), page->getSkewAngle());
    const QImage handle = loadJpeg(page->handleFile());
    EXPECT_EQ(handle.size(), QSize(300, 400));
    EXPECT_EQ(vuro::steps::measureSkew(handle), 0) << "turned the wrong way, it would lean twice as far";

    page->setDeskew(false);
    EXPECT_EQ(page->getSkewAngle(), 0);
}

TEST_F(ScanImageTest, WhiteningAndDeskewOfASheetOnADarkBedKeepTheInkAndLevelIt)
{
    // Gray ink on white paper turned 3 degrees on the scanner's dark bed,
    // through the JPEG work files as a scan goes.
    std::vector<bool> ink;
    const QImage sheet = TestPages::sheetOnBed(827, 1169, 100, 3.0, 0.80, qRgb(92, 92, 98), &ink);
    auto page = newPage(sheet);
    page->setResetBGColor(true, qRgb(255, 255, 255));
    page->setDeskew(true);
    EXPECT_GE(page->getSkewAngle(), -4);
    EXPECT_LE(page->getSkewAngle(), -2);
    const QImage handle = loadJpeg(page->handleFile());
    long dark = 0;
    for (int y = 0; y < handle.height(); ++y)
        for (int x = 0; x < handle.width(); ++x)
            dark += ImageHelper::grayOf(handle.pixel(x, y)) < 128;
    const long inked = std::count(ink.begin(), ink.end(), true);
    EXPECT_GT(dark, inked * 0.9) << "ink pixels " << inked;
    EXPECT_LT(dark, inked * 1.5) << "ink pixels " << inked << "; the bed is whitened";
}

TEST_F(ScanImageTest, UnchangedSettingsDoNotRunThePipelineAgain)
{
    auto page = newPage(TestPages::blank(200, 100, 100, qRgb(230, 230, 230)));
    page->setDeskew(true);
    QFile::remove(page->handleFile());
    page->setDeskew(true);
    EXPECT_FALSE(QFile::exists(page->handleFile()));
    page->setDeskew(false);
    EXPECT_TRUE(QFile::exists(page->handleFile()));
}

TEST_F(ScanImageTest, BackgroundColourTakesEffectAtTheNextRun)
{
    auto page = newPage(TestPages::textLines(400, 500, 100, 0.0, 60, qRgb(225, 225, 225)), 100, 100);
    page->setResetBGColor(true, qRgb(255, 255, 255));
    QImage handle = loadJpeg(page->handleFile());
    EXPECT_GT(meanGray(handle, QRect(5, 5, 40, 40)), 250) << "paper whitened";
    EXPECT_LT(meanGray(handle, QRect(70, 65, 60, 10)), 40) << "ink kept";

    page->setResetBGColor(true, qRgb(255, 0, 0));
    EXPECT_GT(qGreen(loadJpeg(page->handleFile()).pixel(20, 20)), 250) << "no run for a new colour alone";
    page->setFineAngle(0);
    handle = loadJpeg(page->handleFile());
    EXPECT_GT(qRed(handle.pixel(20, 20)), 240);
    EXPECT_LT(qGreen(handle.pixel(20, 20)), 15);
}

TEST_F(ScanImageTest, SpeckleRemovalClearsSparseBlocksOutsideTheContent)
{
    // 150 dpi and size 3: blocks of 3 px; a block outside the content stays
    // when at least 4 of its 9 pixels are dark.
    QImage image = TestPages::darkBox(600, 800, 150, QRect(200, 250, 200, 300));
    const QPoint lone(33, 33), pair(540, 702), solid(30, 720);
    image.setPixel(lone, qRgb(0, 0, 0));
    image.setPixel(pair, qRgb(0, 0, 0));
    image.setPixel(pair + QPoint(1, 0), qRgb(0, 0, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(solid + QPoint(x, y), qRgb(0, 0, 0));
    auto page = std::make_unique<ScanImage>(workFolder());
    page->setMedianBlur(true, 3);
    page->setImage(&image, 150, 100);
    EXPECT_EQ(image.pixel(lone), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(pair), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(solid + QPoint(1, 1)), qRgb(0, 0, 0)) << "mostly dark block";
    EXPECT_EQ(image.pixel(300, 400), qRgb(0, 0, 0)) << "content";
    EXPECT_LT(qGray(loadJpeg(page->originalFile()).pixel(300, 400)), 20) << "part of the unedited page";
}

TEST_F(ScanImageTest, SpeckleBlocksOfMoreThan65535DarkPixelsAreCountedWhole)
{
    // 1200 dpi and size 34: blocks of 321 px. A dark band of 141 px along
    // the top and left edges lies under the 3 mm frame of the content
    // search, so it is outside the content; the corner block holds 70641
    // dark pixels and stays, the next block along holds 45261 and goes.
    QImage image = TestPages::darkBox(1600, 1600, 1200, QRect(700, 700, 300, 300));
    for (int y = 0; y < 1600; ++y)
        for (int x = 0; x < 1600; ++x)
            if (x < 141 || y < 141)
                image.setPixel(x, y, qRgb(0, 0, 0));
    vuro::steps::removeSpeckles(image, 34);
    EXPECT_EQ(image.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(500, 10), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(800, 800), qRgb(0, 0, 0));
}

TEST(KeepAspectRatio, FitsTheImageIntoTheBox)
{
    struct Case
    {
        int w, h, boxW, boxH;
        QSize expected;
    };
    for (const Case &c : {Case{0, 100, 158, 224, QSize(158, 224)}, Case{2000, 1000, 158, 224, QSize(158, 79)},
                          Case{1000, 2000, 158, 224, QSize(112, 224)}, Case{300, 424, 158, 224, QSize(158, 223)}})
        EXPECT_EQ(ScanImage::keepAspectRatio(c.w, c.h, c.boxW, c.boxH), c.expected) << c.w << "x" << c.h;
}

} // namespace
