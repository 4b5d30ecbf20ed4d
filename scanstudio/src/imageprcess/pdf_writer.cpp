// PDF output of the page list through Qt's printer.

#include "libimageprocess.h"

#include "file_routines.h"
#include "resolution.h"
#include "writer_files.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <memory>

namespace vuro {

namespace {

// The page's own resolution; the page list's where it carries none.
QSizeF resolutionOf(const QImage &image, int fallbackDpi)
{
    const int x = ImageHelper::dpiX(image);
    const int y = ImageHelper::dpiY(image);
    return QSizeF(x > 0 ? x : fallbackDpi, y > 0 ? y : fallbackDpi);
}

// A page exactly the image's size at its resolution.
QPageSize pageSizeOf(const QImage &image, const QSizeF &dpi)
{
    const QSizeF millimetres(image.width() * 25.4 / dpi.width(), image.height() * 25.4 / dpi.height());
    return QPageSize(millimetres, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

// Starts the document (first page) or a new page of the image's size and
// draws the image on the whole page.
bool addPage(QPrinter &printer, QPainter &painter, const QImage &image, bool first, int fallbackDpi)
{
    const QSizeF dpi = resolutionOf(image, fallbackDpi);
    if (!printer.setPageSize(pageSizeOf(image, dpi)))
        return false;
    if (first) {
        // The painter's units are the first page's pixels.
        printer.setResolution(qRound(dpi.width()));
        if (!painter.begin(&printer))
            return false;
    } else if (!printer.newPage()) {
        return false;
    }
    const qreal scaleX = printer.resolution() / dpi.width();
    const qreal scaleY = printer.resolution() / dpi.height();
    painter.drawImage(QRectF(0, 0, image.width() * scaleX, image.height() * scaleY), image);
    return true;
}

} // namespace

bool Libimageprocess::saveImagesToPDF(const QString &path, int quality, vuro_color_format format)
{
    Q_UNUSED(quality);
    qDebug("save images format pdf: %s", qPrintable(path));
    const int count = getImageCount();
    if (count == 0) {
        qDebug("not image to save");
        return false;
    }
    const QString file = writer_files::withExtension(path, "pdf");
    helper::PendingFile pending(QFile::encodeName(file).toStdString());
    if (pending.path().empty())
        return writer_files::logSaved(false, "pdf", file);

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setColorMode(QPrinter::Color);
    printer.setOutputFileName(QFile::decodeName(pending.path().c_str()));
    printer.setFullPage(true);

    QPainter painter;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        std::unique_ptr<QImage> image(getSaveImage(i, format));
        ok = image && addPage(printer, painter, *image, i == 0, m_dpi);
        endImage(image.release());
    }
    if (painter.isActive())
        ok = painter.end() && ok;
    ok = ok && QFileInfo(QFile::decodeName(pending.path().c_str())).size() > 0 && pending.commit();
    return writer_files::logSaved(ok, "pdf", file);
}

} // namespace vuro
