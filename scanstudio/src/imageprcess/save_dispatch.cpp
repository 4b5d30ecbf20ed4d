// Save: which colour streams are written, and under which names.

#include "libimageprocess.h"

#include "writer_files.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace vuro {

namespace {

constexpr int kSaveQuality = 100;

struct Stream
{
    vuro_color_format format;
    const char *suffix;
};

constexpr Stream kStreams[] = {{color_full, "_color"}, {color_gray, "_gray"}, {color_mono, "_mono"}};

// A scan keeps no more colour than it has: the streams from its own colour
// format on.
bool allowed(vuro_color_format scan, vuro_color_format stream)
{
    return (scan == color_full || scan == color_gray || scan == color_mono) && stream >= scan;
}

} // namespace

void Libimageprocess::setStreamWriter(StreamWriter writer)
{
    m_streamWriter = std::move(writer);
}

bool Libimageprocess::save(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    qDebug("not compass save image, because set quality before scan");

    bool ok = true;
    if (!m_multiOutColor && !m_multiOutGray && !m_multiOutMono) {
        ok = m_streamWriter(path, kSaveQuality, color_full);
    } else {
        const bool wanted[] = {m_multiOutColor, m_multiOutGray, m_multiOutMono};
        QList<Stream> streams;
        for (const Stream &stream : kStreams) {
            if (wanted[stream.format] && allowed(m_colorFormat, stream.format))
                streams.append(stream);
        }
        // Every stream is written; the save fails when any of them fails.
        // The suffix goes before an extension the path already has.
        const QString extension = writer_files::extensionOf(m_imageFormat);
        for (const Stream &stream : qAsConst(streams)) {
            const QString streamPath =
                streams.size() > 1 ? writer_files::beforeExtension(path, extension, stream.suffix) : path;
            ok = m_streamWriter(streamPath, kSaveQuality, stream.format) && ok;
        }
        ok = ok && !streams.isEmpty();
    }

    if (m_ocrOut)
        saveImagesToTxt(path, kSaveQuality, "chi_sim");
    return ok;
}

} // namespace vuro
