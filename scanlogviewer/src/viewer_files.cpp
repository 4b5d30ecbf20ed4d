#include "viewer_files.h"

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace viewer_files {
namespace {

Opened openRegular(const QString &path, int flags, QIODevice::OpenMode mode, QFile &file)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == ENOENT && !(flags & O_CREAT) ? Opened::Missing : Opened::Failed;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Opened::Failed;
    }
    return Opened::Ok;
}

}  // namespace

Opened openForReading(const QString &path, QFile &file)
{
    return openRegular(path, O_RDONLY, QIODevice::ReadOnly | QIODevice::Text, file);
}

Opened openTruncated(const QString &path, bool create, QFile &file)
{
    return openRegular(path, O_WRONLY | O_TRUNC | (create ? O_CREAT : 0), QIODevice::WriteOnly | QIODevice::Text, file);
}

}  // namespace viewer_files
