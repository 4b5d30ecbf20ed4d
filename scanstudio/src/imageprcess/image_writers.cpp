// The image file writers of the page list: the dispatch by output format and
// the one-file-per-page formats.

#include "libimageprocess.h"

#include "file_routines.h"
#include "resolution.h"
#include "writer_files.h"

#include <QDebug>
#include <QFile>
#include <QImage>

#include <memory>

namespace vuro {

namespace {

// Writes the image to `file` under a temporary name renamed over it.
bool writeImageFile(const QImage &image, const QString &file, const char *formatName, int quality)
{
    helper::PendingFile pending(QFile::encodeName(file).toStdString());
    if (pending.path().empty())
        return false;
    return image.save(QFile::decodeName(pending.path().c_str()), formatName, quality) && pending.commit();
}

} // namespace

bool Libimageprocess::saveImages(const QString &path, int quality, vuro_color_format format)
{
    qDebug("save images: %s", qPrintable(path));
    switch (m_imageFormat) {
    case image_jpg:
        return saveImagesToJPG(path, quality, format);
    case image_png:
        return saveImagesToPNG(path, quality, format);
    case image_bmp:
        return saveImagesToBMP(path, quality, format);
    case image_tif:
        return saveImagesToTIF(path, quality, format);
    case image_pdf:
        return saveImagesToPDF(path, quality, format);
    case image_ofd:
        return saveImagesToOFD(path, quality, format);
    }
    return false;
}

bool Libimageprocess::saveImagesToJPG(const QString &path, int quality, vuro_color_format format)
{
    return saveImagesToSingleFile(path, "jpg", quality, format);
}

bool Libimageprocess::saveImagesToPNG(const QString &path, int quality, vuro_color_format format)
{
    return saveImagesToSingleFile(path, "png", quality, format);
}

bool Libimageprocess::saveImagesToBMP(const QString &path, int quality, vuro_color_format format)
{
    return saveImagesToSingleFile(path, "bmp", quality, format);
}

bool Libimageprocess::saveImagesToSingleFile(const QString &path, const char *formatName, int quality,
                                             vuro_color_format format)
{
    qDebug("save images format %s: %s", formatName, qPrintable(path));
    const QString extension = formatName;
    const int count = getImageCount();
    if (count == 0) {
        qDebug("not image to save");
        return false;
    }

    bool ok = true;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<QImage> image(count == 1 ? getSaveImage(format) : getSaveImage(i, format));
        QString file = count == 1 ? path : writer_files::pageFile(path, extension, i);
        if (count == 1 && !writer_files::hasExtension(path, extension)) {
            qDebug("set dpm");
            if (image) {
                image->setDotsPerMeterX(ImageHelper::dotsPerMeter(m_dpi));
                image->setDotsPerMeterY(ImageHelper::dotsPerMeter(m_dpi));
            }
            file = path + "." + extension;
        }
        const bool saved = image && writeImageFile(*image, file, formatName, quality);
        endImage(image.release());
        ok = writer_files::logSaved(saved, "file", file) && ok;
    }
    return ok;
}

} // namespace vuro
