// Multi-page TIFF output of the page list.

#include "libimageprocess.h"

#include "file_routines.h"
#include "tiffhandler.h"
#include "writer_files.h"

#include <QDebug>
#include <QFile>
#include <QImage>

#include <tiffio.h>

#include <memory>

namespace vuro {

bool Libimageprocess::saveImagesToTIF(const QString &path, int quality, vuro_color_format format)
{
    Q_UNUSED(quality);
    const QString file = writer_files::withExtension(path, "tif");
    qDebug("save images format tiff: %s", qPrintable(file));
    const int count = getImageCount();
    if (count == 0) {
        qDebug("not image to save");
        return false;
    }

    helper::PendingFile pending(QFile::encodeName(file).toStdString());
    TIFF *tif = pending.path().empty() ? nullptr : TIFFOpen(pending.path().c_str(), "w");
    if (tif == nullptr)
        return writer_files::logSaved(false, "file", file);
    TiffHandler handler(1);
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<QImage> image(getSaveImage(i, format));
        ok = image && handler.appendImageToTiff(*image, tif, i == 0) && ok;
        endImage(image.release());
    }
    // Writes the last page's directory, which closing would do unchecked.
    ok = TIFFFlush(tif) == 1 && ok;
    TIFFClose(tif);
    ok = ok && pending.commit();
    return writer_files::logSaved(ok, "file", file);
}

} // namespace vuro
