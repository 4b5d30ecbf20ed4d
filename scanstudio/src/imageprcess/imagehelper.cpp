#include "imagehelper.h"

#include "cuiimage.h"
#include "gray_value.h"

#include <QDebug>
#include <QImage>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace ImageHelper {

QRect Image_DetectMaxRect(const QImage *image, bool resetBackground)
{
    if (image == nullptr || image->isNull())
        return QRect();
    CUIImage work;
    work.CopyFrom(*image);
    return work.DetectMaxRect(resetBackground);
}

void Image_ResetBackcolor(QImage *image, QRgb colour, int frame)
{
    if (image == nullptr || image->isNull()) {
        qDebug("call Image_ResetBackcolor() failed! invalid image! ");
        return;
    }
    if (!is32Bit(*image))
        *image = image->convertToFormat(QImage::Format_ARGB32);

    CUIImage copy;
    copy.CopyFrom(*image);
    paintFrame(*image, frameWidth(*image, frame), 0xFFFFFFFFu);

    unsigned char mean = 0;
    unsigned char darkMean = 0;
    int t = copy.OTSU_threshold_ex(mean, nullptr, &darkMean);
    if (t > 250 || mean <= 14) {
        // An almost white or almost black page: measure inside the content.
        const QRect content = Image_DetectMaxRect(image, false);
        unsigned char insideDarkMean = 0;
        const int inside = copy.OTSU_threshold_ex(mean, &content, &insideDarkMean);
        const std::int64_t area = static_cast<std::int64_t>(content.width()) * content.height();
        if (area <= static_cast<std::int64_t>(image->width()) * image->height() * 85 / 100) {
            t = inside;
            darkMean = insideDarkMean;
        }
    }
    if (t <= 245) {
        int d = std::abs(mean - t);
        if (d <= 19)
            d *= 2;
        // On light paper, never below the mean of the dark side: a sheet on a
        // dark bed puts Otsu's threshold between the paper and the bed with
        // the ink, close to the mean, and so small a threshold would whiten
        // the ink along with the bed.
        const int darkSide = mean > 35 ? darkMean + 1 : 0;
        t = std::max({35, d, darkSide});
    }
    copy.Gray2Value(static_cast<unsigned char>(t));

    const QRgb background = mean > 35 ? 0xFFFFFFu : 0x000000u;
    const int width = image->width();
    for (int y = 0; y < image->height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image->scanLine(y));
        const QRgb *binary = reinterpret_cast<const QRgb *>(copy.image()->constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if ((binary[x] & 0xFFFFFFu) == background)
                line[x] = colour;
        }
    }
}

void Image_Fillborder(QImage *image, int millimetres, QRgb)
{
    if (image == nullptr || image->isNull())
        return;
    if (!is32Bit(*image))
        *image = image->convertToFormat(QImage::Format_ARGB32);
    paintFrame(*image, frameWidth(*image, millimetres), 0xFFFFFFFFu);
}

} // namespace ImageHelper
