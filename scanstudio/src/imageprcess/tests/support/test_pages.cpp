#include "test_pages.h"

#include "gray_value.h"
#include "imagedata.h"
#include "imagefunctions.h"
#include "imagehelper.h"
#include "resolution.h"
#include "skewmanager.h"

#include <cmath>
#include <utility>

namespace TestPages {

namespace {

QImage emptyPage(int width, int height, int dpi, QRgb colour)
{
    QImage page(width, height, QImage::Format_ARGB32);
    page.fill(colour);
    page.setDotsPerMeterX(ImageHelper::dotsPerMeter(dpi));
    page.setDotsPerMeterY(ImageHelper::dotsPerMeter(dpi));
    return page;
}

double radians(double degrees)
{
    return degrees * M_PI / 180.0;
}

// Paints `ink` on every pixel whose centre, turned back by `degrees` about
// the page centre, lies where inside(u, v) holds (u, v from the centre).
template <typename Inside>
void paintTurned(QImage &page, double degrees, QRgb ink, Inside inside)
{
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));
    const double cx = page.width() / 2.0;
    const double cy = page.height() / 2.0;
    for (int y = 0; y < page.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const double u = (x + 0.5 - cx) * c + (y + 0.5 - cy) * s;
            const double v = -(x + 0.5 - cx) * s + (y + 0.5 - cy) * c;
            if (inside(u, v))
                line[x] = ink;
        }
    }
}

} // namespace

QImage blank(int width, int height, int dpi, QRgb colour)
{
    return emptyPage(width, height, dpi, colour);
}

QImage textLines(int width, int height, int dpi, double degrees, int margin, QRgb background, QRgb ink)
{
    QImage page = emptyPage(width, height, dpi, background);
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    paintTurned(page, degrees, ink, [&](double du, double dv) {
        // Position in the unturned page.
        const double u = du + cx;
        const double v = dv + cy;
        if (u < margin || u >= width - margin || v < margin || v >= height - margin)
            return false;
        const int lineOffset = static_cast<int>(v - margin) % 60;
        const int wordOffset = static_cast<int>(u - margin) % 110;
        return lineOffset < 20 && wordOffset < 80;
    });
    return page;
}

QImage darkBox(int width, int height, int dpi, const QRect &box)
{
    QImage page = emptyPage(width, height, dpi, 0xFFFFFFFFu);
    for (int y = box.top(); y <= box.bottom(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = box.left(); x <= box.right(); ++x)
            line[x] = 0xFF000000u;
    }
    return page;
}

QImage tiltedRectangle(int width, int height, int dpi, double degrees, int margin)
{
    QImage page = emptyPage(width, height, dpi, 0xFFFFFFFFu);
    const double c = std::cos(radians(std::fabs(degrees)));
    const double s = std::sin(radians(std::fabs(degrees)));
    // Rectangle sides whose turned bounding box is the page less the margins.
    const double boxW = width - 2.0 * margin;
    const double boxH = height - 2.0 * margin;
    const double det = c * c - s * s;
    const double rectW = (boxW * c - boxH * s) / det;
    const double rectH = (boxH * c - boxW * s) / det;
    paintTurned(page, degrees, 0xFF000000u,
                [&](double u, double v) { return std::fabs(u) <= rectW / 2 && std::fabs(v) <= rectH / 2; });
    return page;
}

QImage sheetOnBed(int width, int height, int dpi, double degrees, double coverage, QRgb bed, std::vector<bool> *ink)
{
    constexpr int kSamples = 4;
    const QRgb paper = qRgb(240, 240, 240);
    const QRgb inks[2] = {qRgb(44, 44, 44), qRgb(60, 60, 60)};
    const double scale = std::sqrt(coverage);
    const double sheetWidth = width * scale;
    const double sheetHeight = height * scale;
    const double mm = dpi / 25.4;
    const double pitch = 6 * mm;
    const double markHeight = 2.5 * mm;
    const double cell = 2 * mm;
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));

    // 0 bed, 1 paper, 2 + n ink n; (u, v) from the sheet's top-left corner.
    auto surface = [&](double u, double v) {
        if (u < 0 || u >= sheetWidth || v < 0 || v >= sheetHeight)
            return 0;
        const double left = sheetWidth / 10, top = sheetHeight / 10;
        if (u < left || u >= sheetWidth - left || v < top || v >= sheetHeight - top)
            return 1;
        const int line = static_cast<int>((v - top) / pitch);
        const int letter = static_cast<int>((u - left) / cell);
        const bool inLine = v - top - line * pitch < markHeight;
        // Lines end between 60 and 100 % of the text width.
        const bool beforeEnd = u - left < (sheetWidth - 2 * left) * (60 + (line * 37) % 41) / 100.0;
        // Words of 3 to 7 letters, one cell apart.
        int start = 0;
        for (int word = 0;; ++word) {
            const int letters = 3 + (line * 7 + word * 3) % 5;
            if (letter < start + letters)
                break;
            start += letters + 1;
            if (letter < start)
                return 1;
        }
        const bool inLetter = u - left - letter * cell < 0.75 * cell;
        return inLine && beforeEnd && inLetter ? 2 + line % 2 : 1;
    };

    QImage page = emptyPage(width, height, dpi, bed);
    if (ink != nullptr)
        ink->assign(static_cast<std::size_t>(width) * height, false);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int red = 0, green = 0, blue = 0, inked = 0;
            for (int j = 0; j < kSamples; ++j) {
                for (int i = 0; i < kSamples; ++i) {
                    // Turn the sample back into the sheet's frame.
                    const double dx = x + (i + 0.5) / kSamples - width / 2.0;
                    const double dy = y + (j + 0.5) / kSamples - height / 2.0;
                    const int kind = surface(c * dx + s * dy + sheetWidth / 2, -s * dx + c * dy + sheetHeight / 2);
                    const QRgb colour = kind == 0 ? bed : kind == 1 ? paper : inks[kind - 2];
                    red += qRed(colour);
                    green += qGreen(colour);
                    blue += qBlue(colour);
                    inked += kind >= 2;
                }
            }
            constexpr int n = kSamples * kSamples;
            line[x] = qRgb(red / n, green / n, blue / n);
            if (ink != nullptr && inked == n)
                (*ink)[static_cast<std::size_t>(y) * width + x] = true;
        }
    }
    return page;
}

QImage verticalGradient(int width, int height, int dpi)
{
    QImage page = emptyPage(width, height, dpi, 0xFFFFFFFFu);
    for (int y = 0; y < height; ++y) {
        const int g = height > 1 ? y * 255 / (height - 1) : 0;
        QRgb *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(g, g, g);
    }
    return page;
}

std::vector<unsigned char> grayBuffer(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<unsigned char> gray(static_cast<std::size_t>(argb.width()) * argb.height());
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            gray[static_cast<std::size_t>(y) * argb.width() + x] = ImageHelper::grayOf(line[x]);
    }
    return gray;
}

double skewDegreesOfGray(std::vector<unsigned char> gray, int width, int height, bool isText, bool *ok)
{
    ImageData data;
    data.Load(gray.data(), width, height, 1);
    SkewManager manager;
    double angle = 0.0;
    const bool estimated = manager.GetSkewAngle(isText, data, angle, 0);
    if (ok != nullptr)
        *ok = estimated;
    return estimated ? angle * 180.0 / M_PI : 0.0;
}

double estimateSkewDegrees(const QImage &page, bool *ok, bool *isText)
{
    QImage copy = page.copy();
    ImageHelper::Image_ResetBackcolor(&copy, 0xFFFFFFFFu, 3);
    std::vector<unsigned char> gray = grayBuffer(copy);
    const bool text = ImageFunctions::IsTextImage(gray.data(), copy.width(), copy.height());
    if (isText != nullptr)
        *isText = text;
    return skewDegreesOfGray(std::move(gray), copy.width(), copy.height(), text, ok);
}

} // namespace TestPages
