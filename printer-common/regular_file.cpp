#include "regular_file.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& content)
{
    content.clear();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char chunk[16384];
    while (ok && content.size() < maxBytes) {
        const qint64 wanted = qMin<qint64>(sizeof chunk, maxBytes - content.size());
        const ssize_t got = ::read(fd, chunk, static_cast<size_t>(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ok = false;
        if (got <= 0)
            break;
        content.append(chunk, static_cast<int>(got));
    }
    ::close(fd);
    if (!ok)
        content.clear();
    return ok;
}
