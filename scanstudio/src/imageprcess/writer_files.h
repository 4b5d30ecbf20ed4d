#pragma once

#include "vuro_enums.h"

#include <QDebug>
#include <QString>

// File names and logs shared by the image writers.
namespace vuro::writer_files {

// `path` ending with "." + `extension`, ignoring letter case.
inline bool hasExtension(const QString &path, const QString &extension)
{
    return path.endsWith("." + extension, Qt::CaseInsensitive);
}

// `path` with "." + `extension` appended unless it already ends with it.
inline QString withExtension(const QString &path, const QString &extension)
{
    return hasExtension(path, extension) ? path : path + "." + extension;
}

// `path` with `suffix` before its own extension when it ends with
// `extension`, else at its end (the writer then adds the extension).
inline QString beforeExtension(const QString &path, const QString &extension, const QString &suffix)
{
    if (!hasExtension(path, extension))
        return path + suffix;
    const int stem = path.size() - extension.size() - 1;
    return path.left(stem) + suffix + path.mid(stem);
}

// The file of page `index` of several: the suffix "_<index>" goes before the
// path's own extension, or before the added one.
inline QString pageFile(const QString &path, const QString &extension, int index)
{
    return withExtension(beforeExtension(path, extension, "_" + QString::number(index)), extension);
}

// The file name extension the page list's writer of `format` gives.
inline QString extensionOf(vuro_image_format format)
{
    static const char *const extensions[] = {"jpg", "png", "bmp", "tif", "pdf", "ofd"};
    return format >= image_jpg && format <= image_ofd ? extensions[format] : "";
}

// Logs whether writing `file` (a "file" or a "pdf") worked; returns `ok`.
inline bool logSaved(bool ok, const char *kind, const QString &file)
{
    if (ok)
        qDebug("saved image to %s success: %s", kind, qPrintable(file));
    else
        qWarning("saved image to %s failed: %s", kind, qPrintable(file));
    return ok;
}

} // namespace vuro::writer_files
