#include "page_steps.h"

#include "cuiimage.h"
#include "gray_value.h"
#include "imagedata.h"
#include "imagefunctions.h"
#include "imagehelper.h"
#include "page_rows.h"
#include "resolution.h"
#include "skewmanager.h"

#include <QImage>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vuro::steps {

namespace {

constexpr QRgb kOpaqueWhite = 0xFFFFFFFFu;

// One gray byte per pixel, rows packed.
std::vector<unsigned char> packedGray(const QImage &page)
{
    const int width = page.width();
    std::vector<unsigned char> gray(static_cast<std::size_t>(width) * static_cast<std::size_t>(page.height()));
    forRowBands(page, [&](int begin, int end, const PageRows<const uchar> &rows) {
        for (int y = begin; y < end; ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(rows.row(y));
            unsigned char *out = gray.data() + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x)
                out[x] = ImageHelper::grayOf(line[x]);
        }
    });
    return gray;
}

void whitenTransparent(QImage &page)
{
    const int width = page.width();
    forRowBandsWriting(page, [&](int begin, int end, const PageRows<uchar> &rows) {
        for (int y = begin; y < end; ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(rows.row(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(line[x]) == 0)
                    line[x] = kOpaqueWhite;
            }
        }
    });
}

} // namespace

int measureSkew(const QImage &page)
{
    QImage copy = page.copy();
    ImageHelper::Image_ResetBackcolor(&copy, kOpaqueWhite, 3);
    std::vector<unsigned char> gray = packedGray(copy);
    const bool text = ImageFunctions::IsTextImage(gray.data(), copy.width(), copy.height());
    ImageData data;
    data.Load(gray.data(), static_cast<unsigned>(copy.width()), static_cast<unsigned>(copy.height()), 1);
    SkewManager manager;
    double angle = 0.0;
    if (!manager.GetSkewAngle(text, data, angle, 0) || std::fabs(angle) < 0.01)
        return 0;
    return static_cast<int>(-(angle * 180.0 / M_PI));
}

QRect scaleRect(const QRect &rect, double factor)
{
    const int left = static_cast<int>(rect.left() * factor);
    const int top = static_cast<int>(rect.top() * factor);
    const int right = left + static_cast<int>((rect.right() - rect.left() + 1) * factor) - 1;
    const int bottom = top + static_cast<int>((rect.bottom() - rect.top() + 1) * factor) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void turnPage(QImage &page, int degrees)
{
    // Normalised first: a right angle plus a fine angle may reach 360 or more.
    const int c = ((degrees % 360) + 360) % 360;
    if (c == 0)
        return;
    const bool swapped = (c >= 46 && c <= 134) || (c >= 226 && c <= 314);
    const int boxWidth = swapped ? page.height() : page.width();
    const int boxHeight = swapped ? page.width() : page.height();
    QImage turned = page.transformed(QTransform().rotate(c), Qt::FastTransformation);
    // The turned page's bounds may be a pixel larger than the box even where
    // the centring offset rounds to 0.
    if (turned.size() != QSize(boxWidth, boxHeight))
        turned = turned.copy((turned.width() - boxWidth) / 2, (turned.height() - boxHeight) / 2, boxWidth, boxHeight);
    whitenTransparent(turned);
    turned.setDotsPerMeterX(page.dotsPerMeterX());
    turned.setDotsPerMeterY(page.dotsPerMeterY());
    page = turned;
}

void removeSpeckles(QImage &page, int size)
{
    removeSpecklesOutside(page, size, ImageHelper::Image_DetectMaxRect(&page, true));
}

void removeSpecklesOutside(QImage &page, int size, const QRect &content)
{
    const int e = std::max(1, (ImageHelper::dpiX(page) * size) / 127);
    const int width = page.width();
    const int height = page.height();
    const int columns = (width + e - 1) / e;
    const int rows = (height + e - 1) / e;

    ImageHelper::CUIImage binary;
    binary.CopyFrom(page);
    unsigned char mean = 0;
    binary.Gray2Value(binary.OTSU_threshold(mean));

    // Black pixels per block; a block of a 1200 dpi page holds far more than
    // 65535 pixels.
    std::vector<std::uint32_t> black(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
    const QImage &bits = *binary.image();
    for (int y = 0; y < height; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(bits.constScanLine(y));
        std::uint32_t *counts = black.data() + static_cast<std::size_t>(y / e) * columns;
        for (int x = 0; x < width; ++x) {
            if ((line[x] & 0xFFFFFFu) == 0)
                ++counts[x / e];
        }
    }

    const int left = e * (content.left() / e);
    const int top = e * (content.top() / e);
    // To the end of the block that holds the edge, within the page.
    const int right = std::min(width - 1, e * (content.right() / e + 1) - 1);
    const int bottom = std::min(height - 1, e * (content.bottom() / e + 1) - 1);
    const int darkSide = (8 * e) / 10;
    std::vector<bool> clear(black.size(), false);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int x = c * e;
            const int y = r * e;
            const bool inside = x >= left && x <= right && y >= top && y <= bottom;
            const std::size_t index = static_cast<std::size_t>(r) * columns + c;
            if (!inside && std::sqrt(static_cast<double>(black[index])) < darkSide)
                clear[index] = true;
        }
    }

    forRowBandsWriting(page, [&](int begin, int end, const PageRows<uchar> &rows) {
        for (int y = begin; y < end; ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(rows.row(y));
            const std::size_t rowIndex = static_cast<std::size_t>(y / e) * columns;
            for (int x = 0; x < width; ++x) {
                if (clear[rowIndex + x / e])
                    line[x] = kOpaqueWhite;
            }
        }
    });
}

} // namespace vuro::steps
