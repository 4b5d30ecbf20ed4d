// The image file writers of the page list, one per output format.

#include "libimageprocess.h"

#include <QDebug>

namespace vuro {

bool Libimageprocess::saveImages(const QString &path, int quality, vuro_color_format format)
{
    qDebug("save images: %s", qPrintable(path));
    Q_UNUSED(quality);
    Q_UNUSED(format);
    qWarning("no image writer for format %d", m_imageFormat);
    return false;
}

} // namespace vuro
