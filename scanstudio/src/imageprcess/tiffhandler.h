#pragma once

#include <QImage>
#include <QRgb>
#include <QVector>

#include <cstdarg>
#include <cstddef>
#include <cstdint>

typedef struct tiff TIFF;

// Writes pages into a multi-page TIFF file through libtiff. 1-bit pages go
// out as bilevel images, 8-bit pages with a gray ramp as gray images, other
// 8-bit pages as palette images and everything else as RGB with alpha.
class TiffHandler {
public:
    // 0: no compression; anything else: the compression of each page kind
    // (CCITT modified Huffman RLE, PackBits, PackBits, LZW).
    explicit TiffHandler(int compression = 1) : m_compression(compression) {}

    // Appends the image as a new page of the open file (the first page fills
    // the file's first directory). False when libtiff refuses a field or a row.
    bool appendImageToTiff(QImage& image, TIFF* tif, bool first);

    // Exchanges the lowest and the third byte of each 32-bit pixel.
    static void convert32BitOrder(std::uint32_t* pixels, std::size_t count);

private:
    int m_compression;
};

// libtiff's error handler: prints "tifferr-<module>: <message>".
void TIFFErrorProc(const char* module, const char* format, va_list arguments);

// True for a table of exactly 256 opaque grays rising from black, or falling
// from white when its first entry is not opaque black.
bool checkGrayscale(const QVector<QRgb>& table);
