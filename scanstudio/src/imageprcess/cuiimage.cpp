#include "cuiimage.h"

#include "gray_value.h"
#include "resolution.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace ImageHelper {

namespace {

constexpr QRgb kOpaqueWhite = 0xFFFFFFFFu;

QRgb *row(QImage &image, int y)
{
    return reinterpret_cast<QRgb *>(image.scanLine(y));
}

const QRgb *row(const QImage &image, int y)
{
    return reinterpret_cast<const QRgb *>(image.constScanLine(y));
}

unsigned char otsuFromHistogram(const std::uint64_t (&histogram)[256], std::uint64_t pixels,
                                unsigned char &mean)
{
    if (pixels == 0) {
        mean = 0;
        return 0;
    }
    float p[256];
    float w[256];
    float m[256];
    const float n = static_cast<float>(pixels);
    for (int i = 0; i < 256; ++i)
        p[i] = static_cast<float>(histogram[i]) / n;
    w[0] = p[0];
    m[0] = p[0];
    for (int i = 1; i < 256; ++i) {
        w[i] = w[i - 1] + p[i];
        m[i] = m[i - 1] + static_cast<float>(i) * p[i];
    }
    const float total = m[255];
    mean = static_cast<unsigned char>(std::clamp(static_cast<int>(total), 0, 255));

    unsigned char threshold = 0;
    float best = 0.0f;
    for (int i = 0; i < 256; ++i) {
        const float above = m[i] - total;
        const float s = (m[i] * m[i] / w[i] + above * above / (1.0f - w[i])) * (1.0f - p[i]);
        if (s > best) {
            best = s;
            threshold = static_cast<unsigned char>(i);
        }
    }
    return threshold;
}

// Mean of the gray values below `threshold`, truncated; 0 when there are none.
unsigned char meanBelow(const std::uint64_t (&histogram)[256], unsigned char threshold)
{
    std::uint64_t count = 0;
    std::uint64_t sum = 0;
    for (int i = 0; i < threshold; ++i) {
        count += histogram[i];
        sum += histogram[i] * static_cast<std::uint64_t>(i);
    }
    return static_cast<unsigned char>(count == 0 ? 0 : sum / count);
}

// Binarisation threshold of the background reset from Otsu's threshold h and
// the mean m.
int resetThreshold(int h, int m)
{
    if (h > 245)
        return h;
    const int d = std::abs(m - h);
    if (d <= 19)
        return std::max(35, 2 * d);
    if (d <= 128)
        return std::max(35, d);
    const int widened = d + d / 3;
    return widened < h ? widened : std::max(35, h);
}

} // namespace

CUIImage::CUIImage(QImage *attached) : m_image(attached) {}

CUIImage::~CUIImage()
{
    Destory();
}

void CUIImage::CopyFrom(const QImage &source)
{
    Destory();
    m_image = new QImage(is32Bit(source) ? source.copy() : source.convertToFormat(QImage::Format_ARGB32));
    copyResolution(source, *m_image);
    m_owned = true;
}

void CUIImage::Destory()
{
    if (m_owned)
        delete m_image;
    m_owned = false;
    m_image = nullptr;
}

unsigned char CUIImage::OTSU_threshold(unsigned char &mean) const
{
    return OTSU_threshold_ex(mean, nullptr);
}

unsigned char CUIImage::OTSU_threshold_ex(unsigned char &mean, const QRect *rect, unsigned char *darkMean) const
{
    const QImage argb = m_image->format() == QImage::Format_ARGB32
                            ? *m_image
                            : m_image->convertToFormat(QImage::Format_ARGB32);
    QRect area = argb.rect();
    if (rect != nullptr)
        area = area.intersected(*rect);
    std::uint64_t histogram[256] = {};
    if (!area.isEmpty()) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QRgb *line = row(argb, y);
            for (int x = area.left(); x <= area.right(); ++x)
                ++histogram[grayOf(line[x])];
        }
    }
    const std::uint64_t pixels =
        area.isEmpty() ? 0 : static_cast<std::uint64_t>(area.width()) * area.height();
    const unsigned char threshold = otsuFromHistogram(histogram, pixels, mean);
    if (darkMean != nullptr)
        *darkMean = meanBelow(histogram, threshold);
    return threshold;
}

void CUIImage::ensure32Bit()
{
    if (!is32Bit(*m_image))
        *m_image = m_image->convertToFormat(QImage::Format_ARGB32);
}

QImage CUIImage::To8bppGrayImage() const
{
    const QImage source = is32Bit(*m_image) ? *m_image : m_image->convertToFormat(QImage::Format_ARGB32);
    QImage gray(source.size(), QImage::Format_Indexed8);
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    gray.setColorTable(table);
    for (int y = 0; y < source.height(); ++y) {
        const QRgb *in = row(source, y);
        uchar *out = gray.scanLine(y);
        for (int x = 0; x < source.width(); ++x)
            out[x] = grayOf(in[x]);
    }
    gray.setDotsPerMeterX(source.dotsPerMeterX());
    return gray;
}

void CUIImage::Gray2Value(unsigned char threshold)
{
    ensure32Bit();
    const int width = m_image->width();
    for (int y = 0; y < m_image->height(); ++y) {
        QRgb *line = row(*m_image, y);
        for (int x = 0; x < width; ++x) {
            const QRgb alpha = line[x] & 0xFF000000u;
            line[x] = alpha | (grayOf(line[x]) < threshold ? 0x000000u : 0xFFFFFFu);
        }
    }
}

void CUIImage::ResetBackcolor(QRgb colour)
{
    ensure32Bit();
    unsigned char mean = 0;
    const int h = OTSU_threshold(mean);
    Gray2Value(static_cast<unsigned char>(resetThreshold(h, mean)));
    // The light side is the background. (Painting every pixel at most as
    // gray as the mean when h < 128 would paint every black pixel of the
    // binarised page, leaving nothing to detect.)
    const int width = m_image->width();
    for (int y = 0; y < m_image->height(); ++y) {
        QRgb *line = row(*m_image, y);
        for (int x = 0; x < width; ++x) {
            if (grayOf(line[x]) >= h)
                line[x] = colour;
        }
    }
}

QRect CUIImage::DetectMaxRect(bool resetBackground)
{
    ensure32Bit();
    paintFrame(*m_image, frameWidth(*m_image, 3), kOpaqueWhite);
    if (resetBackground)
        ResetBackcolor(kOpaqueWhite);
    const QVector<QRect> found = DetectRects();
    if (found.isEmpty())
        return m_image->rect();
    QRect largest = found.first();
    auto area = [](const QRect &r) { return static_cast<std::int64_t>(r.width()) * r.height(); };
    for (const QRect &r : found) {
        if (area(r) > area(largest))
            largest = r;
    }
    return largest;
}

QVector<QRect> CUIImage::DetectRects() const
{
    const int width = m_image->width();
    const int height = m_image->height();
    // Blocks of about 3 mm; a resolution below 9 dpi still gets blocks of 1 px.
    const int u = std::max(1, (dpiX(*m_image) * 15) / 127);
    const int columns = (width + u - 1) / u;
    const int rows = (height + u - 1) / u;

    CUIImage binary;
    binary.CopyFrom(*m_image);
    unsigned char mean = 0;
    binary.Gray2Value(binary.OTSU_threshold(mean));

    std::vector<unsigned char> marks(static_cast<std::size_t>(columns) * rows, 0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            for (int k = 0; k < u; ++k) {
                const int x = c * u + k;
                const int y = r * u + k;
                if (x >= width || y >= height)
                    break;
                if ((row(*binary.image(), y)[x] & 0xFFFFFFu) == 0) {
                    marks[static_cast<std::size_t>(r) * columns + c] = 1;
                    break;
                }
            }
        }
    }

    bool kept = false;
    int maxColumn = 0, maxRow = 0, minColumn = 0, minRow = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            unsigned char &mark = marks[static_cast<std::size_t>(r) * columns + c];
            if (!mark)
                continue;
            int neighbours = 0;
            for (int nr = std::max(0, r - 1); nr <= std::min(rows - 1, r + 1); ++nr)
                for (int nc = std::max(0, c - 1); nc <= std::min(columns - 1, c + 1); ++nc)
                    neighbours += marks[static_cast<std::size_t>(nr) * columns + nc];
            if (neighbours < 4) {
                mark = 0;
                continue;
            }
            kept = true;
            maxColumn = std::max(maxColumn, c);
            maxRow = std::max(maxRow, r);
            if (minRow == 0)
                minRow = r;
            if (minColumn == 0 || c < minColumn)
                minColumn = c;
        }
    }
    if (!kept)
        return {};

    int right = maxColumn + 1 < columns ? u * (maxColumn + 2) : u * (maxColumn + 1);
    int bottom = maxRow + 1 < rows ? u * (maxRow + 2) : u * (maxRow + 1);
    int left = u * (minColumn - 1);
    int top = u * (minRow - 1);
    auto clampTo = [](int v, int size) { return v < 0 ? 0 : (v >= size ? size - 1 : v); };
    left = clampTo(left, width);
    right = clampTo(right, width);
    top = clampTo(top, height);
    bottom = clampTo(bottom, height);
    return {QRect(QPoint(left, top), QPoint(right, bottom))};
}

bool is32Bit(const QImage &image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
           || image.format() == QImage::Format_ARGB32_Premultiplied;
}

void paintFrame(QImage &image, int n, QRgb colour)
{
    const int width = image.width();
    const int height = image.height();
    const int leftEnd = std::min(n, width);
    const int rightStart = std::max(0, width - n + 1);
    for (int y = 0; y < height; ++y) {
        QRgb *line = row(image, y);
        if (y < n || y > height - n) {
            std::fill(line, line + width, colour);
            continue;
        }
        std::fill(line, line + leftEnd, colour);
        if (rightStart < width)
            std::fill(line + rightStart, line + width, colour);
    }
}

int frameWidth(const QImage &image, int millimetres)
{
    const std::int64_t n = static_cast<std::int64_t>(millimetres) * dpiX(image) * 10 / 254;
    return static_cast<int>(std::max<std::int64_t>(1, n));
}

} // namespace ImageHelper
