// The page list: settings, order and selection, import and the images it
// hands out.

#include "libimageprocess.h"
#include "page_fixture.h"
#include "resolution.h"
#include "test_pages.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <functional>
#include <memory>
#include <vector>

namespace {

using vuro::Libimageprocess;

class PageListTest : public PageFixture {
protected:
    // Pages told apart by their red value: page i is red 40 x i.
    void addPages(int count)
    {
        for (int i = 0; i < count; ++i) {
            QImage image = TestPages::blank(60, 40, 100, qRgb(40 * i, 0, 0));
            list.appendImage(&image);
        }
    }
    std::vector<int> order()
    {
        std::vector<int> pages;
        for (int i = 0; i < list.getImageCount(); ++i) {
            std::unique_ptr<QImage> image(list.getSaveImage(i, color_full));
            pages.push_back(image ? (qRed(image->pixel(30, 20)) + 20) / 40 : -1);
        }
        return pages;
    }
    // A raw page file in the work folder.
    std::string rawFile(const QByteArray &bytes)
    {
        QDir().mkpath(workFolder());
        const QString path = workFolder() + "taliroscane_0.rgb";
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path.toStdString();
    }

    Libimageprocess list{root()};
};

TEST_F(PageListTest, SettingsAreHeldToTheirRanges)
{
    struct DpiCase
    {
        int set, stored;
    };
    for (const DpiCase &c : {DpiCase{50, 75}, DpiCase{2400, 1200}, DpiCase{300, 300}}) {
        list.setDPI(c.set);
        EXPECT_EQ(list.getDPI(), c.stored) << c.set;
    }
    for (const DpiCase &c : {DpiCase{101, -1}, DpiCase{-5, -1}, DpiCase{0, 0}, DpiCase{100, 100}}) {
        list.setQuality(c.set);
        EXPECT_EQ(list.getQuality(), c.stored) << c.set;
    }
    struct PaperCase
    {
        QSize set, stored;
    };
    for (const PaperCase &c : {PaperCase{{0, 0}, {1, 1}}, PaperCase{{300, 400}, {216, 356}},
                               PaperCase{{-5, -7}, {1, 1}}, PaperCase{{210, 297}, {210, 297}}}) {
        list.setPaperSize(c.set.width(), c.set.height());
        EXPECT_EQ(QSize(list.getPaperWidth(), list.getPaperHeight()), c.stored) << c.set.width();
    }

    list.setColorFormat(color_mono);
    list.setMultiColorOutGray(true);
    list.setOCRLang("eng");
    list.initConfig();
    EXPECT_EQ(list.getColorFormat(), color_full);
    EXPECT_FALSE(list.getMultiColorOutGray());
    EXPECT_EQ(list.getOCRLang(), "chi_sim");
    EXPECT_EQ(list.getDPI(), 200);
    EXPECT_EQ(list.getQuality(), 70);
    EXPECT_EQ(list.getGammeAll(), 10);
}

QStringList g_debugLines;

void recordDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        g_debugLines.append(message);
}

TEST_F(PageListTest, EverySettingLogsItsValue)
{
    struct Case
    {
        std::function<void(Libimageprocess &)> set;
        const char *line;
    };
    const Case cases[] = {
        {[](Libimageprocess &l) { l.setImageFormat(image_pdf); }, "set image format 4"},
        {[](Libimageprocess &l) { l.setMediumType(medium_idcard); }, "set medium type 1"},
        {[](Libimageprocess &l) { l.setColorFormat(color_gray); }, "set color format 1"},
        {[](Libimageprocess &l) { l.setPaperUnit(unit_inch); }, "set paper unit 2"},
        {[](Libimageprocess &l) { l.setDPI(300); }, "set dpi 300"},
        {[](Libimageprocess &l) { l.setQuality(85); }, "set quality 85"},
        {[](Libimageprocess &l) { l.setQuality(101); }, "set quality 101"},
        {[](Libimageprocess &l) { l.setPaperSize(210, 297); }, "set paper size 210 297"},
        {[](Libimageprocess &l) { l.setPaperSize(400, -3); }, "set paper size 400 -3"},
        {[](Libimageprocess &l) { l.setDetectOrientation(true); }, "set detect orientation true"},
        {[](Libimageprocess &l) { l.setDetectOrientation(false); }, "set detect orientation false"},
        {[](Libimageprocess &l) { l.setMultiColorOutMono(true); }, "set multi color out mono true"},
        {[](Libimageprocess &l) { l.setOCROut(false); }, "set OCR out false"},
        {[](Libimageprocess &l) { l.setOCRLang("eng"); }, "set OCR lang eng"},
    };
    for (const Case &c : cases) {
        g_debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(recordDebug);
        c.set(list);
        qInstallMessageHandler(previous);
        EXPECT_EQ(g_debugLines, QStringList{c.line}) << c.line;
    }
}

TEST_F(PageListTest, SelectionIsHeldToThePages)
{
    EXPECT_EQ(list.setSelectedIndex(2), -1) << "empty list";
    addPages(3);
    EXPECT_EQ(list.getSelectedIndex(), 2) << "the newest page after an import";
    struct Case
    {
        int set, stored;
    };
    for (const Case &c : {Case{7, 2}, Case{-3, 0}, Case{1, 1}}) {
        EXPECT_EQ(list.setSelectedIndex(c.set), c.stored);
        EXPECT_EQ(list.getSelectedIndex(), c.stored);
    }
    list.setSelectedIndex(2);
    EXPECT_EQ(list.selectNextImage(), 2);
    EXPECT_EQ(list.selectPrevImage(), 1);
    list.setSelectedIndex(0);
    EXPECT_EQ(list.selectPrevImage(), 0);
}

TEST_F(PageListTest, MovesReorderThePagesAndSelectTheTarget)
{
    struct Case
    {
        const char *name;
        std::function<int(Libimageprocess &)> move;
        int result;
        std::vector<int> order;
        int selected;
    };
    const Case cases[] = {
        {"first to last", [](Libimageprocess &l) { return l.moveImage(0, 2); }, 0, {1, 2, 0}, 2},
        {"last to first", [](Libimageprocess &l) { return l.moveImage(2, 0); }, 0, {2, 0, 1}, 0},
        {"to next", [](Libimageprocess &l) { return l.moveImageToNext(0); }, 0, {1, 0, 2}, 1},
        {"to previous", [](Libimageprocess &l) { return l.moveImageToPrev(2); }, 0, {0, 2, 1}, 1},
        {"from past the end", [](Libimageprocess &l) { return l.moveImage(3, 0); }, 1, {0, 1, 2}, 1},
        {"from below zero", [](Libimageprocess &l) { return l.moveImage(-1, 0); }, 1, {0, 1, 2}, 1},
        {"to past the end", [](Libimageprocess &l) { return l.moveImageToNext(2); }, 2, {0, 1, 2}, 1},
        {"to below zero", [](Libimageprocess &l) { return l.moveImageToPrev(0); }, 2, {0, 1, 2}, 1},
    };
    for (const Case &c : cases) {
        list.clearList();
        addPages(3);
        list.setSelectedIndex(1);
        EXPECT_EQ(c.move(list), c.result) << c.name;
        EXPECT_EQ(order(), c.order) << c.name;
        EXPECT_EQ(list.getSelectedIndex(), c.selected) << c.name;
    }
}

TEST_F(PageListTest, RemovalDeletesThePageAndKeepsTheSelectionValid)
{
    addPages(3);
    EXPECT_EQ(workFiles().size(), 9u);
    list.removeImage(2);
    EXPECT_EQ(order(), (std::vector<int>{0, 1}));
    EXPECT_EQ(list.getSelectedIndex(), 1) << "the new last page";
    EXPECT_EQ(workFiles().size(), 6u);

    list.removeImage(5);
    list.removeImage(-1);
    EXPECT_EQ(list.getImageCount(), 2);

    list.setSelectedIndex(0);
    list.removeImage(0);
    EXPECT_EQ(order(), (std::vector<int>{1}));
    EXPECT_EQ(list.getSelectedIndex(), 0);

    list.clearList();
    EXPECT_EQ(list.getImageCount(), 0);
    EXPECT_TRUE(workFiles().empty());
    EXPECT_EQ(list.getSelectedIndex(), -1);
}

TEST_F(PageListTest, InvalidIndexesChangeNothing)
{
    addPages(1);
    for (int index : {-1, 1}) {
        EXPECT_FALSE(list.setContract(index, 10));
        EXPECT_FALSE(list.setBrightness(index, 10));
        EXPECT_FALSE(list.setGamma(index, 20));
        EXPECT_FALSE(list.setFineAngle(index, 10));
        EXPECT_FALSE(list.rote90Left(index));
        EXPECT_FALSE(list.rote90Right(index));
        EXPECT_FALSE(list.setDeskew(index, true));
        EXPECT_FALSE(list.setElimBorder(index, true));
        EXPECT_FALSE(list.setResetBGColor(index, true, 0xFFFFFFFFu));
        EXPECT_FALSE(list.setElimBorderRect(index, QRect(0, 0, 5, 5)));
        EXPECT_FALSE(list.setOCROut(index, true));
        EXPECT_EQ(list.getGamma(index), 0);
        EXPECT_FALSE(list.getElimBorder(index));
        EXPECT_TRUE(list.getElimBorderRect(index).isNull());
        EXPECT_FALSE(list.getImageSize(index).isValid());
        EXPECT_EQ(list.getShowImage(index, 158, 224, color_full), nullptr);
        EXPECT_EQ(list.getSaveImage(index, color_full), nullptr);
    }
    EXPECT_TRUE(list.setContract(0, 10));
    EXPECT_EQ(list.getContract(0), 10);
    EXPECT_EQ(list.getImageSize(0), QSize(60, 40));
}

TEST_F(PageListTest, ImportReducesColourAsTheScanAsks)
{
    struct Case
    {
        const char *name;
        vuro_color_format scan;
        QRgb source;
        int red, green;  // of the page after import
        int savedRed;    // of its save image, -1 where dithered
    };
    const Case cases[] = {
        {"colour kept", color_full, qRgb(200, 40, 40), 200, 40, 200},
        {"gray by 0.3, 0.59, 0.11", color_gray, qRgb(200, 40, 40), 88, 88, 88},
        {"black below the gate", color_mono, qRgb(200, 40, 40), 0, 0, 0},
        {"white above the gate", color_mono, qRgb(200, 200, 120), 255, 255, 255},
        {"neutral gray kept gray", color_mono, qRgb(128, 128, 128), 128, 128, -1},
    };
    for (const Case &c : cases) {
        list.clearList();
        list.setColorFormat(c.scan);
        QImage image = TestPages::blank(40, 40, 100, c.source);
        list.appendImage(&image);
        EXPECT_NEAR(qRed(image.pixel(20, 20)), c.red, 1) << c.name;
        EXPECT_NEAR(qGreen(image.pixel(20, 20)), c.green, 1) << c.name;
        // The scan's colour format still converts the save image.
        std::unique_ptr<QImage> saved(list.getSaveImage(0, color_full));
        ASSERT_TRUE(saved) << c.name;
        if (c.scan == color_mono) {
            EXPECT_EQ(saved->format(), QImage::Format_Mono) << c.name;
        }
        if (c.savedRed >= 0) {
            EXPECT_NEAR(qRed(saved->pixel(20, 20)), c.savedRed, 3) << c.name;
        }
    }
}

TEST_F(PageListTest, SaveImageFormatFollowsTheScanAndTheStream)
{
    struct Case
    {
        vuro_color_format scan, stream;
        QImage::Format format;
    };
    const Case cases[] = {
        {color_full, color_full, QImage::Format_RGB32}, {color_full, color_gray, QImage::Format_Indexed8},
        {color_full, color_mono, QImage::Format_Mono},  {color_gray, color_full, QImage::Format_Indexed8},
        {color_gray, color_mono, QImage::Format_Indexed8}, {color_mono, color_full, QImage::Format_Mono},
        {color_mono, color_gray, QImage::Format_Indexed8},
    };
    addPages(1);
    for (const Case &c : cases) {
        list.setColorFormat(c.scan);
        std::unique_ptr<QImage> saved(list.getSaveImage(0, c.stream));
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->format(), c.format) << c.scan << " " << c.stream;
        EXPECT_EQ(saved->size(), QSize(60, 40));
        if (c.format == QImage::Format_Indexed8) {
            // The gray ramp from black, whatever colours the page holds.
            EXPECT_EQ(saved->colorCount(), 256);
            for (int level : {0, 1, 128, 255})
                EXPECT_EQ(saved->color(level), qRgb(level, level, level)) << level;
            EXPECT_EQ(ImageHelper::dpiX(*saved), 200);
            EXPECT_EQ(ImageHelper::dpiY(*saved), 200);
        }
    }
    list.setSelectedIndex(0);
    list.endImage(list.getSaveImage(color_full));
    std::unique_ptr<QImage> shown(list.getShowImage(158, 224, color_full));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->size(), QSize(158, 105));
}

TEST_F(PageListTest, RawPageOfOddWidthKeepsItsRows)
{
    // 101 x 40, the left 50 columns black: rows of 303 bytes, no padding.
    QByteArray bytes;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 101; ++x)
            bytes.append(QByteArray(3, x < 50 ? '\0' : '\xff'));
    const std::string path = rawFile(bytes);
    list.setQuality(100);
    list.appendRGBDataImage(path, 101, 40);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path))) << "the page file is consumed";
    ASSERT_EQ(list.getImageCount(), 1);
    std::unique_ptr<QImage> saved(list.getSaveImage(0, color_full));
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->size(), QSize(101, 40));
    for (int y = 0; y < 40; y += 3) {
        EXPECT_LT(qGray(saved->pixel(45, y)), 30) << "row " << y;
        EXPECT_GT(qGray(saved->pixel(55, y)), 225) << "row " << y;
    }
}

TEST_F(PageListTest, RawPageSizesOutsideWhatAScannerGivesAreRefused)
{
    struct Case
    {
        int width, height;
    };
    for (const Case &c : {Case{0, 10}, Case{10, 0}, Case{-1, 10}, Case{10, -3}, Case{10241, 10}, Case{10, 16897},
                          Case{INT_MAX, INT_MAX}, Case{INT_MIN, -1}}) {
        const std::string path = rawFile(QByteArray(300, '\x40'));
        list.appendRGBDataImage(path, c.width, c.height);
        EXPECT_EQ(list.getImageCount(), 0) << c.width << "x" << c.height;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    }
    list.appendRGBDataImage(static_cast<const unsigned char *>(nullptr), 10, 10);
    list.appendRGBDataImage(workFolder().toStdString() + "missing.rgb", 10, 10);
    EXPECT_EQ(list.getImageCount(), 0);
}

TEST_F(PageListTest, ShortPageFileIsFilledWithWhite)
{
    // 20 x 10 needs 600 bytes; the file holds the first five rows, black.
    const std::string path = rawFile(QByteArray(300, '\0'));
    list.setQuality(100);
    list.appendRGBDataImage(path, 20, 10);
    ASSERT_EQ(list.getImageCount(), 1);
    std::unique_ptr<QImage> saved(list.getSaveImage(0, color_full));
    ASSERT_TRUE(saved);
    EXPECT_LT(meanGray(*saved, QRect(0, 0, 20, 3)), 30);
    EXPECT_GT(meanGray(*saved, QRect(0, 7, 20, 3)), 225);
}

TEST_F(PageListTest, OneChannelImageFilesArePagesLikeAnyOther)
{
    QImage gray(64, 48, QImage::Format_Grayscale8);
    gray.fill(90);
    const QString path = root() + "gray.png";
    ASSERT_TRUE(gray.save(path, "png"));
    list.appendImage(path);
    ASSERT_EQ(list.getImageCount(), 1);
    std::unique_ptr<QImage> saved(list.getSaveImage(0, color_full));
    ASSERT_TRUE(saved);
    EXPECT_NEAR(qGray(saved->pixel(32, 24)), 90, 3);
}

TEST_F(PageListTest, AllPageCorrectionsReachEveryPage)
{
    EXPECT_FALSE(list.setElimBorder(true));
    EXPECT_FALSE(list.setResetBGColor(true, 0xFFFFFFFFu));
    EXPECT_FALSE(list.setMedianBlur(false, 3));
    list.setElimBorder(false);
    list.setResetBGColor(false, 0xFFFFFFFFu);

    addPages(2);
    EXPECT_TRUE(list.setElimBorder(true));
    EXPECT_TRUE(list.setResetBGColor(true, 0xFFFFFFFFu));
    list.setGammaAll(20);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(list.getElimBorder(i));
        EXPECT_TRUE(list.getResetBGColor(i));
        EXPECT_EQ(list.getGamma(i), 20);
    }
    EXPECT_TRUE(list.getElimBorder());
    EXPECT_EQ(list.getGammeAll(), 20);

    // A page imported later takes speckle removal, not the other settings.
    EXPECT_TRUE(list.setMedianBlur(true, 3));
    QImage speckled = TestPages::darkBox(300, 300, 150, QRect(100, 100, 100, 100));
    speckled.setPixel(20, 20, qRgb(0, 0, 0));
    list.appendImage(&speckled);
    EXPECT_EQ(speckled.pixel(20, 20), qRgb(255, 255, 255));
    EXPECT_FALSE(list.getElimBorder(2));
    EXPECT_FALSE(list.getResetBGColor(2));
    EXPECT_EQ(list.getGamma(2), 10);
}

} // namespace
