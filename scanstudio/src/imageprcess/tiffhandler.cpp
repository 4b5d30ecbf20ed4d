#include "tiffhandler.h"

#include <QDebug>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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

// Copies one row into the band as it is stored: colour pixels as R, G, B, A
// bytes, 1-bit rows most significant bit first.
void storeRow(PageKind kind, QImage::Format format, const uchar* in, uchar* out, int width, std::size_t bytes)
{
    std::memcpy(out, in, bytes);
    if (kind == PageKind::Colour)
        TiffHandler::convert32BitOrder(reinterpret_cast<std::uint32_t*>(out), static_cast<std::size_t>(width));
    else if (format == QImage::Format_MonoLSB)
        reverseBits(out, bytes);
}

// The rows in bands: each band is copied (and converted) into one buffer
// reused for every band of the page, then written one scanline at a time.
bool writeBands(TIFF* tif, const QImage& image, PageKind kind)
{
    const int width = image.width();
    const int height = image.height();
    const int rows = bandRows(image, kind == PageKind::Colour ? 22 : 24);
    const bool colour = kind == PageKind::Colour;
    // 32-bit pixels in memory order B, G, R, A need no conversion by Qt.
    const bool direct = !colour || image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    QImage band(width, std::min(rows, height), colour ? QImage::Format_ARGB32 : image.format());
    if (band.isNull())
        return false;
    const std::size_t rowBytes = colour ? std::size_t(width) * 4 : std::size_t(band.bytesPerLine());
    for (int top = 0; top < height; top += rows) {
        const int count = std::min(rows, height - top);
        QImage converted;
        if (!direct) {
            converted = image.copy(0, top, width, count).convertToFormat(QImage::Format_ARGB32);
            if (converted.isNull())
                return false;
        }
        for (int row = 0; row < count; ++row) {
            const uchar* in = direct ? image.constScanLine(top + row) : converted.constScanLine(row);
            storeRow(kind, image.format(), in, band.scanLine(row), width, rowBytes);
        }
        for (int row = 0; row < count; ++row) {
            if (TIFFWriteScanline(tif, band.scanLine(row), static_cast<std::uint32_t>(top + row), 0) < 0)
                return false;
        }
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
