// OFD output of the page list: each page as a JPEG work image handed to the
// OFD writer.

#include "libimageprocess.h"

#include "ofd.h"
#include "work_files.h"
#include "writer_files.h"

#include <QDebug>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <memory>

namespace vuro {

namespace {

// The OFD writer's messages and progress on standard output; it never cancels.
class OfdProgress : public ofd::ofd_callback {
public:
    void showMessage(const char *text, int code) override { std::printf("(code: %d) %s\n", code, text); }
    void onPosChanging(long long, long long, bool &) override {}
    void onPosChanged(long long total, long long pos) override
    {
        std::printf("progress......(%d/%d)\n", static_cast<int>(pos), static_cast<int>(total));
    }
};

// An OFD context that is destroyed with its owner.
struct OfdDocument {
    ofd::ofd_context context;
    ~OfdDocument() { ofd::destory_context(context); }
};

} // namespace

bool Libimageprocess::saveImagesToOFD(const QString &path, int quality, vuro_color_format format)
{
    qDebug("save images: %s ofd", qPrintable(path));
    const int count = getImageCount();
    if (count == 0) {
        qDebug("not image to save");
        return false;
    }
    const QString file = writer_files::withExtension(path, "ofd");

    ofd::ofd_docinfo info;
    info.dpi = static_cast<std::uint16_t>(m_dpi);
    info.page_width = static_cast<std::uint16_t>(m_paperWidth);
    info.page_height = static_cast<std::uint16_t>(m_paperHeight);
    info.creator = "Kelpra-PageKiln";
    info.creator_version = "1.0";
    const std::string work = QFile::encodeName(workFolder()).toStdString();
    // Work images go to a private folder of this save, so that no two saves
    // share them and nothing planted in the work folder is written through.
    // It is removed after the document's context.
    work_files::PrivateFolder images(workFolder(), "ofd");
    OfdProgress progress;
    OfdDocument document{ofd::init_context(&info, &progress, work.c_str())};
    bool ok = images.made();
    for (int i = 0; i < count && ok; ++i) {
        const QString imageFile = images.file(QString("ofd%1.jpg").arg(i));
        std::unique_ptr<QImage> image(getSaveImage(i, format));
        ok = image && image->save(imageFile, "jpg", quality) &&
             ofd::add_jpeg_image(document.context, QFile::encodeName(imageFile).constData()) == 0;
        endImage(image.release());
    }
    ok = ok && ofd::create_document(document.context, QFile::encodeName(file).constData()) == 0;
    return writer_files::logSaved(ok, "file", file);
}

} // namespace vuro
