#include "single_instance.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool CheckIsRunning(const QString& installRoot)
{
    const QString folder = QDir(installRoot).filePath(QStringLiteral("temp"));
    mkdir(QFile::encodeName(folder).constData(), 0755);
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/printmonitorservice.lock"));
    // Kept open for the life of the process: the lock ends with it.
    const int fd = open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;  // as without a way to tell: run
    int locked = -1;
    do {
        locked = flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0 || errno != EWOULDBLOCK)
        return false;
    close(fd);
    return true;
}
