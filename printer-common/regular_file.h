#pragma once

#include <QByteArray>
#include <QString>

// Reads a file that another program keeps (CUPS's configuration): only a
// regular file, a symbolic link to one included. The open does not block, so
// a fifo or a device at the name cannot hold the reader, and at most
// `maxBytes` are read. False when the file is missing, is no regular file or
// cannot be read; `content` then is empty.
bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& content);
