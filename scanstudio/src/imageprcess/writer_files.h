#pragma once

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

// The file of page `index` of several: the suffix "_<index>" goes before the
// path's own extension, or before the added one.
inline QString pageFile(const QString &path, const QString &extension, int index)
{
    const QString suffix = "_" + QString::number(index);
    if (!hasExtension(path, extension))
        return path + suffix + "." + extension;
    const int stem = path.size() - extension.size() - 1;
    return path.left(stem) + suffix + path.mid(stem);
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
