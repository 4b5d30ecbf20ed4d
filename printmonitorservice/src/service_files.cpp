#include "service_files.h"

#include <QFile>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// mkostemp on "<path>.XXXXXX"; the descriptor, -1 on failure.
int OpenTemporary(const QString& path, QByteArray& name)
{
    name = QFile::encodeName(path) + ".XXXXXX";
    return mkostemp(name.data(), O_CLOEXEC);
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

}  // namespace

bool ReplaceServiceFile(const QString& path, const QByteArray& bytes)
{
    QByteArray temporary;
    const int fd = OpenTemporary(path, temporary);
    if (fd < 0)
        return false;
    const bool written = fchmod(fd, kServiceFileMode) == 0 && WriteAll(fd, bytes);
    if (close(fd) != 0 || !written || rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        unlink(temporary.constData());
        return false;
    }
    return true;
}

QString CreateTemporaryBeside(const QString& path)
{
    QByteArray temporary;
    const int fd = OpenTemporary(path, temporary);
    if (fd < 0)
        return QString();
    close(fd);
    return QFile::decodeName(temporary);
}

bool CommitTemporary(const QString& temporary, const QString& path)
{
    const QByteArray from = QFile::encodeName(temporary);
    if (chmod(from.constData(), kServiceFileMode) != 0
        || rename(from.constData(), QFile::encodeName(path).constData()) != 0) {
        unlink(from.constData());
        return false;
    }
    return true;
}
