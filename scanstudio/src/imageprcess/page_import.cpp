// Import of scanned pages into the page list.

#include "libimageprocess.h"

#include "cuiimage.h"
#include "scanimage.h"

#include <QDebug>
#include <QFile>
#include <QImage>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace vuro {

namespace {

// The largest page the scanner gives, 216 x 356 mm at 1200 dpi (10205 x
// 16819 pixels), rounded up to whole 256 pixels.
constexpr int kMaxPageWidth = 10240;
constexpr int kMaxPageHeight = 16896;

constexpr int kMonoGate = 128;

bool acceptableSize(int width, int height)
{
    if (width > 0 && height > 0 && width <= kMaxPageWidth && height <= kMaxPageHeight)
        return true;
    qWarning("page size %d x %d refused", width, height);
    return false;
}

std::uint64_t rawPageBytes(int width, int height)
{
    return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3u;
}

// The page's pixels from its raw file; what a short file does not supply is
// white paper. Null when memory is out or the file cannot be read.
std::unique_ptr<unsigned char[]> readRawPage(QFile &file, std::uint64_t expected)
{
    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[expected]);
    if (pixels == nullptr) {
        qWarning("no memory for a page of %llu bytes", static_cast<unsigned long long>(expected));
        return nullptr;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("cannot read %s", qPrintable(file.fileName()));
        return nullptr;
    }
    std::uint64_t got = 0;
    while (got < expected) {
        const qint64 n = file.read(reinterpret_cast<char *>(pixels.get()) + got, static_cast<qint64>(expected - got));
        if (n <= 0)
            break;
        got += static_cast<std::uint64_t>(n);
    }
    file.close();
    qDebug() << "read size " << got << "size" << expected;
    std::memset(pixels.get() + got, 0xFF, expected - got);
    return pixels;
}

} // namespace

void Libimageprocess::appendRGBDataImage(const std::string &path, int width, int height)
{
    qDebug("append RGB Data image: %s", path.c_str());
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.exists()) {
        qDebug("file not exists");
        return;
    }
    std::unique_ptr<unsigned char[]> pixels;
    if (acceptableSize(width, height))
        pixels = readRawPage(file, rawPageBytes(width, height));
    file.remove();
    if (pixels != nullptr)
        appendRGBDataImage(pixels.get(), width, height);
}

void Libimageprocess::appendRGBDataImage(const unsigned char *data, int width, int height)
{
    if (data == nullptr || !acceptableSize(width, height))
        return;
    qDebug() << "appendImage with data:" << width << height;
    const QImage wrapped(data, width, height, width * 3, QImage::Format_RGB888);
    qDebug("convert RGB888 to RGB32");
    QImage image = wrapped.convertToFormat(QImage::Format_RGB32);
    appendImage(&image);
}

void Libimageprocess::appendImage(const QString &path)
{
    qDebug() << "appendImage with file:" << path;
    QImage image(path);
    appendImage(&image);
}

void Libimageprocess::appendImage(QImage *image)
{
    if (image == nullptr || image->isNull()) {
        qWarning("image is null");
        return;
    }
    qDebug() << "appendImage width QImage: " << image->size();
    // Gray and indexed files load as one channel; the pages are 32-bit.
    if (!ImageHelper::is32Bit(*image))
        *image = image->convertToFormat(QImage::Format_RGB32);
    if (m_colorFormat == color_gray) {
        if (!image->isGrayscale())
            ScanImage::handleGray(image, ScanImage::GrayWeighted, 0.3, 0.59, 0.11);
    } else if (m_colorFormat == color_mono) {
        if (!image->isGrayscale())
            ScanImage::handleMono(image, kMonoGate);
    }
    if (m_detectOrientation)
        correctOrientation(image);

    auto *p = new ScanImage(workFolder());
    p->setMedianBlur(m_medianBlur, m_medianBlurSize);
    p->setImage(image, static_cast<unsigned>(m_dpi), m_quality);
    m_pages.append(p);
    m_selectedIndex = m_pages.size() - 1;
    qDebug("image list size is %d, selected index is %d", m_pages.size(), m_selectedIndex);
}

} // namespace vuro
