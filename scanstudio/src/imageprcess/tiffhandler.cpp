#include "tiffhandler.h"

#include <QDebug>

#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr QRgb kOpaqueWhite = 0xFFFFFFFFu;
constexpr QRgb kOpaqueBlack = 0xFF000000u;
constexpr int kPaletteSize = 256;

// Rows per band, so that a band holds about 2^shift pixels.
int bandRows(const QImage& image, int shift)
{
    const std::int64_t pixels = std::int64_t(image.width()) * image.height();
    const std::int64_t rows = image.height() / ((pixels >> shift) + 1);
    return rows < 1 ? 1 : static_cast<int>(rows);
}

bool setResolution(TIFF* tif, const QImage& image)
{
    const int x = image.dotsPerMeterX();
    const int y = image.dotsPerMeterY();
    if (x % 100 != 0 || y % 100 != 0) {
        return TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
               TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(std::lround(x * 0.0254))) &&
               TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(std::lround(y * 0.0254)));
    }
    return TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER) &&
           TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(x / 100)) &&
           TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(y / 100));
}

std::uint16_t photometricOfTable(const QImage& image)
{
    const QVector<QRgb> table = image.colorTable();
    return !table.isEmpty() && table.first() == kOpaqueWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
}

bool setColorMap(TIFF* tif, const QVector<QRgb>& table)
{
    // libtiff reads 256 entries per channel for 8-bit pages; a shorter table
    // is padded with black.
    std::vector<std::uint16_t> red(kPaletteSize, 0), green(kPaletteSize, 0), blue(kPaletteSize, 0);
    for (int i = 0; i < table.size() && i < kPaletteSize; ++i) {
        red[i] = static_cast<std::uint16_t>(qRed(table[i]) * 257);
        green[i] = static_cast<std::uint16_t>(qGreen(table[i]) * 257);
        blue[i] = static_cast<std::uint16_t>(qBlue(table[i]) * 257);
    }
    return TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
}

void reverseBits(uchar* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        uchar b = bytes[i];
        b = static_cast<uchar>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
        b = static_cast<uchar>((b & 0xCC) >> 2 | (b & 0x33) << 2);
        bytes[i] = static_cast<uchar>((b & 0xAA) >> 1 | (b & 0x55) << 1);
    }
}

enum class PageKind { Bilevel, Gray, Palette, Colour };

PageKind kindOf(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return PageKind::Bilevel;
    case QImage::Format_Indexed8:
        return checkGrayscale(image.colorTable()) ? PageKind::Gray : PageKind::Palette;
    default:
        return PageKind::Colour;
    }
}

// The fields of the page kind; false when libtiff refuses one.
bool setKindFields(TIFF* tif, const QImage& image, PageKind kind, bool compress)
{
    switch (kind) {
    case PageKind::Bilevel:
        return TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometricOfTable(image)) &&
               TIFFSetField(tif, TIFFTAG_COMPRESSION, compress ? COMPRESSION_CCITTRLE : COMPRESSION_NONE) &&
               TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    case PageKind::Gray:
        return TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometricOfTable(image)) &&
               TIFFSetField(tif, TIFFTAG_COMPRESSION, compress ? COMPRESSION_PACKBITS : COMPRESSION_NONE) &&
               TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    case PageKind::Palette:
        return TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE) &&
               TIFFSetField(tif, TIFFTAG_COMPRESSION, compress ? COMPRESSION_PACKBITS : COMPRESSION_NONE) &&
               TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && setColorMap(tif, image.colorTable());
    case PageKind::Colour: {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        return TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
               TIFFSetField(tif, TIFFTAG_COMPRESSION, compress ? COMPRESSION_LZW : COMPRESSION_NONE) &&
               TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4) &&
               TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    }
    return false;
}

bool writeRows(TIFF* tif, QImage& band, int firstRow)
{
    for (int row = 0; row < band.height(); ++row) {
        if (TIFFWriteScanline(tif, band.scanLine(row), static_cast<std::uint32_t>(firstRow + row), 0) < 0)
            return false;
    }
    return true;
}

// The rows in bands, each band copied (and converted) before it is written.
bool writeBands(TIFF* tif, const QImage& image, PageKind kind)
{
    const int rows = bandRows(image, kind == PageKind::Colour ? 22 : 24);
    for (int top = 0; top < image.height(); top += rows) {
        QImage band = image.copy(0, top, image.width(), std::min(rows, image.height() - top));
        if (band.isNull())
            return false;
        if (kind == PageKind::Colour) {
            band = band.convertToFormat(QImage::Format_ARGB32);
            for (int row = 0; row < band.height(); ++row)
                TiffHandler::convert32BitOrder(reinterpret_cast<std::uint32_t*>(band.scanLine(row)),
                                               static_cast<std::size_t>(band.width()));
        } else if (band.format() == QImage::Format_MonoLSB) {
            for (int row = 0; row < band.height(); ++row)
                reverseBits(band.scanLine(row), static_cast<std::size_t>(band.width() + 7) / 8);
        }
        if (!writeRows(tif, band, top))
            return false;
    }
    return true;
}

}  // namespace

void TIFFErrorProc(const char* module, const char* format, va_list arguments)
{
    char message[512];
    std::vsnprintf(message, sizeof message, format, arguments);
    std::printf("tifferr-%s: %s\n", module != nullptr ? module : "", message);
    qDebug("tifferr-%s: %s", module != nullptr ? module : "", message);
}

bool checkGrayscale(const QVector<QRgb>& table)
{
    if (table.size() != kPaletteSize)
        return false;
    const bool rising = table.first() == kOpaqueBlack;
    for (int i = 0; i < kPaletteSize; ++i) {
        const int level = rising ? i : 255 - i;
        if (table[i] != qRgba(level, level, level, 255))
            return false;
    }
    return true;
}

void TiffHandler::convert32BitOrder(std::uint32_t* pixels, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = pixels[i];
        pixels[i] = (p & 0xFF00FF00u) | ((p & 0x000000FFu) << 16) | ((p & 0x00FF0000u) >> 16);
    }
}

bool TiffHandler::appendImageToTiff(QImage& image, TIFF* tif, bool first)
{
    if (tif == nullptr)
        return false;
    if (first)
        TIFFSetErrorHandler(TIFFErrorProc);
    if (image.isNull())
        return false;
    if (!first && !TIFFWriteDirectory(tif))
        return false;

    const PageKind kind = kindOf(image);
    const bool fieldsSet = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width())) &&
                           TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height())) &&
                           TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                           setResolution(tif, image) && setKindFields(tif, image, kind, m_compression != 0);
    return fieldsSet && writeBands(tif, image, kind);
}
