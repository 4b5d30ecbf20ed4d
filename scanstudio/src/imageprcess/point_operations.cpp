// The colour corrections applied to view and save images, and the gray and
// black-and-white conversions of the page list's import.

#include "page_rows.h"
#include "scanimage.h"

#include <QDebug>
#include <QImage>

#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>

namespace vuro {

namespace {

using Table = std::array<uchar, 256>;

// Byte offsets of blue, green and red in a pixel of either layout.
constexpr int kBlue = 0;
constexpr int kGreen = 1;
constexpr int kRed = 2;

// Applies one table per channel to the blue, green and red bytes of every
// pixel; alpha (the fourth byte of 32-bit pixels) is left alone.
void applyTables(QImage &image, int bytesPerPixel, const Table &red, const Table &green, const Table &blue)
{
    const int width = image.width();
    forRowBandsWriting(image, [&](int begin, int end, const PageRows<uchar> &rows) {
        for (int y = begin; y < end; ++y) {
            uchar *p = rows.row(y);
            for (int x = 0; x < width; ++x, p += bytesPerPixel) {
                p[kBlue] = blue[p[kBlue]];
                p[kGreen] = green[p[kGreen]];
                p[kRed] = red[p[kRed]];
            }
        }
    });
}

// RGB888 keeps red first in memory; the 32-bit formats keep blue first.
void applyTablesInOrder(QImage &image, int bytesPerPixel, const Table &red, const Table &green, const Table &blue)
{
    if (bytesPerPixel == 3)
        applyTables(image, bytesPerPixel, blue, green, red);
    else
        applyTables(image, bytesPerPixel, red, green, blue);
}

} // namespace

int clamp(int value)
{
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

int ScanImage::checkBytesPerPixel(const QImage *image)
{
    const int format = image != nullptr ? static_cast<int>(image->format()) : 0;
    if (image == nullptr || image->isNull()) {
        qDebug("image format[%d] not support by image process", format);
        return 0;
    }
    switch (image->format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        qDebug("image format[%d] is xRGB", format);
        return 4;
    case QImage::Format_RGB888:
        qDebug("image format[%d] is RGB", format);
        return 3;
    default:
        qDebug("image format[%d] not support by image process", format);
        return 0;
    }
}

void ScanImage::handleGray(QImage *image, GrayType type, double redWeight, double greenWeight, double blueWeight)
{
    if (image == nullptr) {
        qDebug("skip handle gray, because image nullptr");
        return;
    }
    const int bpp = checkBytesPerPixel(image);
    if (bpp < 3) {
        qDebug("skip handle gray, because image not format xRGB.");
        return;
    }
    if (type != GrayMax && type != GrayMean && type != GrayWeighted)
        return;
    // The weighted sum as G x gw + R x rw + B x bw, from tables of the exact products.
    double red[256], green[256], blue[256];
    for (int i = 0; i < 256; ++i) {
        red[i] = i * redWeight;
        green[i] = i * greenWeight;
        blue[i] = i * blueWeight;
    }
    const int r = bpp == 3 ? 0 : kRed;
    const int b = bpp == 3 ? 2 : kBlue;
    const int width = image->width();
    forRowBandsWriting(*image, [&](int begin, int end, const PageRows<uchar> &rows) {
        for (int y = begin; y < end; ++y) {
            uchar *p = rows.row(y);
            for (int x = 0; x < width; ++x, p += bpp) {
                int gray;
                if (type == GrayMax)
                    gray = std::max({p[r], p[kGreen], p[b]});
                else if (type == GrayMean)
                    gray = (p[r] + p[kGreen] + p[b]) / 3;
                else
                    gray = clamp(static_cast<int>(green[p[kGreen]] + red[p[r]] + blue[p[b]]));
                p[r] = p[kGreen] = p[b] = static_cast<uchar>(gray);
            }
        }
    });
}

void ScanImage::handleMono(QImage *image, int gate)
{
    if (image == nullptr)
        return;
    const int bpp = checkBytesPerPixel(image);
    if (bpp < 3) {
        qDebug("skip handle mono, because image not format xRGB.");
        return;
    }
    if (!image->isGrayscale())
        handleGray(image, GrayWeighted, 0.3, 0.59, 0.11);
    // Every channel of a gray pixel holds its value; blue decides.
    const int b = bpp == 3 ? 2 : kBlue;
    const int width = image->width();
    forRowBandsWriting(*image, [&](int begin, int end, const PageRows<uchar> &rows) {
        for (int y = begin; y < end; ++y) {
            uchar *p = rows.row(y);
            for (int x = 0; x < width; ++x, p += bpp) {
                const uchar value = p[b] > gate ? 255 : 0;
                p[0] = p[1] = p[2] = value;
            }
        }
    });
}

void ScanImage::handleGamma(QImage *image, int gamma)
{
    if (image == nullptr) {
        qDebug("skip handle gamma, because image is nullptr");
        return;
    }
    if (gamma == 10) {
        qDebug("skip handle gamma, because gamma value is %d", gamma);
        return;
    }
    const int bpp = checkBytesPerPixel(image);
    if (bpp < 3) {
        qDebug("skip handle gamma, because image not format xRGB.");
        return;
    }
    Table table;
    const double exponent = 1.0 / (gamma * 0.1);
    for (int i = 0; i < 256; ++i) {
        const int value = static_cast<int>(std::pow(i / 255.0, exponent) * 255.0 + 0.5);
        table[i] = static_cast<uchar>(std::min(255, value));
    }
    applyTables(*image, bpp, table, table, table);
}

void ScanImage::handleContractAndBrightness(QImage *image, int contrast, int brightness)
{
    if (image == nullptr) {
        qDebug("skip handle contract & brightness, because image is nullptr");
        return;
    }
    if (contrast == 0 && brightness == 0) {
        qDebug("skip handle contract & brightness");
        return;
    }
    const int bpp = checkBytesPerPixel(image);
    if (bpp < 3) {
        qDebug("skip handle contract & brightness, because image not format xRGB.");
        return;
    }
    // Channel sums in 64 bits: a 1200 dpi page holds over 16 million pixels.
    std::uint64_t sums[3] = {0, 0, 0};
    std::mutex sumLock;
    const int width = image->width();
    forRowBands(*image, [&](int begin, int end, const PageRows<const uchar> &rows) {
        std::uint64_t band[3] = {0, 0, 0};
        for (int y = begin; y < end; ++y) {
            const uchar *p = rows.row(y);
            for (int x = 0; x < width; ++x, p += bpp) {
                band[0] += p[0];
                band[1] += p[1];
                band[2] += p[2];
            }
        }
        std::lock_guard<std::mutex> lock(sumLock);
        for (int c = 0; c < 3; ++c)
            sums[c] += band[c];
    });
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(image->height());
    // Means in memory order, then named.
    const int first = static_cast<int>(sums[0] / pixels);
    const int second = static_cast<int>(sums[1] / pixels);
    const int third = static_cast<int>(sums[2] / pixels);
    const int red = bpp == 3 ? first : third;
    const int green = second;
    const int blue = bpp == 3 ? third : first;
    qDebug("rgb means:(%d, %d, %d)", red, green, blue);

    const double k = 1 + contrast * 0.01;
    const double l = 1 + brightness * 0.01;
    auto tableFor = [k, l](int mean) {
        Table table;
        const int offset = static_cast<int>(mean * l);
        for (int v = 0; v < 256; ++v)
            table[v] = static_cast<uchar>(clamp(static_cast<int>((v - mean) * k) + offset));
        return table;
    };
    applyTablesInOrder(*image, bpp, tableFor(red), tableFor(green), tableFor(blue));
}

QSize ScanImage::keepAspectRatio(int width, int height, int boxWidth, int boxHeight)
{
    if (width == 0 || height == 0)
        return QSize(boxWidth, boxHeight);
    const int fit = static_cast<int>(static_cast<double>(boxWidth) / width * height);
    if (boxHeight >= fit)
        return QSize(boxWidth, fit);
    return QSize(static_cast<int>(width * (static_cast<double>(boxHeight) / height)), boxHeight);
}

} // namespace vuro
