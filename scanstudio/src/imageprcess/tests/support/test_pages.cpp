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
