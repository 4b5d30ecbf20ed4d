// Multi-page TIFF pages of every kind, read back by tiffinfo and by libtiff's
// own RGBA reader.
#include "child_process.h"
#include "temp_folder.h"
#include "tiffhandler.h"

#include <gtest/gtest.h>

#include <tiffio.h>

#include <QImage>

#include <regex>
#include <string>
#include <vector>

namespace {

// tiffinfo's report with its warnings (standard error) included.
std::string tiffinfo(const std::string& path)
{
    std::string report;
    testbed::runProgram({"/bin/sh", "-c", "exec /usr/bin/tiffinfo \"$1\" 2>&1", "sh", path}, 30000, &report);
    return report;
}

// The reports of each directory, split at "TIFF Directory at offset".
std::vector<std::string> directories(const std::string& report)
{
    std::vector<std::string> parts;
    const std::string mark = "TIFF Directory at offset";
    for (std::size_t at = report.find(mark); at != std::string::npos;) {
        const std::size_t next = report.find(mark, at + mark.size());
        parts.push_back(report.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    return parts;
}

QImage withResolution(QImage image, int dotsPerMetre)
{
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

QImage colourPage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, (x + y) & 0xFF));
    return image;
}

QVector<QRgb> grayRamp(bool blackFirst)
{
    QVector<QRgb> table;
    for (int i = 0; i < 256; ++i) {
        const int level = blackFirst ? i : 255 - i;
        table.append(qRgb(level, level, level));
    }
    return table;
}

QImage indexedPage(int width, int height, const QVector<QRgb>& table)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, static_cast<uint>((x * 3 + y) % table.size()));
    return image;
}

QImage bilevelPage(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, ((x / 3 + y) % 5 == 0) ? 1u : 0u);
    return image;
}

// Every pixel of page `index` as libtiff decodes it, against the source.
void expectSamePixels(const std::string& path, int index, const QImage& source)
{
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    ASSERT_TRUE(TIFFSetDirectory(tif, static_cast<tdir_t>(index)));
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(source.width()) * source.height());
    ASSERT_TRUE(TIFFReadRGBAImageOriented(tif, source.width(), source.height(), raster.data(), ORIENTATION_TOPLEFT, 0));
    TIFFClose(tif);
    int wrong = 0;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const std::uint32_t got = raster[static_cast<std::size_t>(y) * source.width() + x];
            const QRgb want = source.pixel(x, y);
            if (TIFFGetR(got) != static_cast<unsigned>(qRed(want)) ||
                TIFFGetG(got) != static_cast<unsigned>(qGreen(want)) ||
                TIFFGetB(got) != static_cast<unsigned>(qBlue(want)))
                ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "page " << index;
}

TEST(TiffHandler, EveryPageKindReadsBackWithItsFields)
{
    testsupport::TempFolder dir;
    QVector<QRgb> shortTable = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255)};
    struct Page {
        QImage image;
        std::vector<std::string> fields;
    };
    std::vector<Page> pages = {
        {withResolution(colourPage(33, 20), 11811),
         {"Bits/Sample: 8", "Compression Scheme: LZW", "Photometric Interpretation: RGB color",
          "Extra Samples: 1<unassoc-alpha>", "Samples/Pixel: 4", "Resolution: 300, 300 pixels/inch"}},
        {withResolution(colourPage(35, 11).convertToFormat(QImage::Format_RGB888), 11811),
         {"Compression Scheme: LZW", "Photometric Interpretation: RGB color", "Extra Samples: 1<unassoc-alpha>",
          "Samples/Pixel: 4"}},
        {withResolution(indexedPage(31, 9, grayRamp(true)), 11800),
         {"Bits/Sample: 8", "Compression Scheme: PackBits", "Photometric Interpretation: min-is-black",
          "Resolution: 118, 118 pixels/cm"}},
        {withResolution(indexedPage(31, 9, grayRamp(false)), 7874),
         {"Compression Scheme: PackBits", "Photometric Interpretation: min-is-white",
          "Resolution: 200, 200 pixels/inch"}},
        {withResolution(indexedPage(30, 8, shortTable), 11811),
         {"Bits/Sample: 8", "Compression Scheme: PackBits", "Photometric Interpretation: palette color",
          "Color Map: (present)"}},
        {withResolution(bilevelPage(37, 12, QImage::Format_Mono), 11811),
         {"Bits/Sample: 1", "Compression Scheme: CCITT RLE",
          "Photometric Interpretation: min-is-white", "Resolution: 300, 300 pixels/inch"}},
        {withResolution(bilevelPage(37, 12, QImage::Format_MonoLSB), 23622),
         {"Bits/Sample: 1", "Compression Scheme: CCITT RLE",
          "Photometric Interpretation: min-is-white", "Resolution: 600, 600 pixels/inch"}},
    };
    const std::string path = dir.file("pages.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TiffHandler handler(1);
    for (std::size_t i = 0; i < pages.size(); ++i)
        EXPECT_TRUE(handler.appendImageToTiff(pages[i].image, tif, i == 0)) << "page " << i;
    TIFFClose(tif);

    const std::string report = tiffinfo(path);
    EXPECT_EQ(report.find("arning"), std::string::npos) << report;
    const std::vector<std::string> found = directories(report);
    ASSERT_EQ(found.size(), pages.size()) << report;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const QImage& image = pages[i].image;
        EXPECT_NE(found[i].find("Image Width: " + std::to_string(image.width()) +
                                " Image Length: " + std::to_string(image.height())),
                  std::string::npos)
            << found[i];
        for (const std::string& field : pages[i].fields)
            EXPECT_NE(found[i].find(field), std::string::npos) << field << " in\n" << found[i];
        expectSamePixels(path, static_cast<int>(i), image);
    }
}

// Pages larger than one band (about 4 Mi pixels in colour), uncompressed.
TEST(TiffHandler, BandsJoinWithoutASeam)
{
    testsupport::TempFolder dir;
    const QImage colour = withResolution(colourPage(2100, 2101), 11811);
    const std::string path = dir.file("bands.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    QImage page = colour;
    EXPECT_TRUE(TiffHandler(0).appendImageToTiff(page, tif, true));
    TIFFClose(tif);
    EXPECT_NE(tiffinfo(path).find("Compression Scheme: None"), std::string::npos);
    expectSamePixels(path, 0, colour);
}

TEST(TiffHandler, RefusesWhatItCannotWrite)
{
    testsupport::TempFolder dir;
    QImage page = colourPage(4, 4);
    EXPECT_FALSE(TiffHandler().appendImageToTiff(page, nullptr, true));
    TIFF* tif = TIFFOpen(dir.file("null.tif").c_str(), "w");
    QImage null;
    EXPECT_FALSE(TiffHandler().appendImageToTiff(null, tif, true));
    TIFFClose(tif);
}

TEST(TiffHandler, GrayRampTables)
{
    QVector<QRgb> translucent = grayRamp(true);
    translucent[17] = qRgba(17, 17, 17, 254);
    QVector<QRgb> tinted = grayRamp(false);
    tinted[200] = qRgb(55, 55, 56);
    QVector<QRgb> fromWhiteButNotRamp = grayRamp(true);
    fromWhiteButNotRamp[0] = qRgb(255, 255, 255);
    EXPECT_TRUE(checkGrayscale(grayRamp(true)));
    EXPECT_TRUE(checkGrayscale(grayRamp(false)));
    EXPECT_FALSE(checkGrayscale(grayRamp(true).mid(0, 255)));
    EXPECT_FALSE(checkGrayscale(translucent));
    EXPECT_FALSE(checkGrayscale(tinted));
    EXPECT_FALSE(checkGrayscale(fromWhiteButNotRamp));
    EXPECT_FALSE(checkGrayscale({}));
}

}  // namespace
