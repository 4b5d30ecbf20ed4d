#include "work_file_name.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vuro {

namespace {

constexpr int kNumbersPerSecond = 1000;

QString nameAt(const QString &folder, const QString &time, int number)
{
    return folder + time + "r" + QString::number(number);
}

// 1 created, 0 taken, -1 refused.
int createExclusive(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? 0 : -1;
    ::close(fd);
    return 1;
}

} // namespace

QString workFileBaseName(const QString &folder)
{
    const QString time = QDateTime::currentDateTime().toString("yyyyMMddHHmmss");
    return nameAt(folder, time, static_cast<int>(QRandomGenerator::global()->bounded(kNumbersPerSecond)));
}

QString reserveWorkFile(const QString &folder, const QString &base)
{
    int created = createExclusive(base);
    if (created != 0)
        return created > 0 ? base : QString();
    // Taken: walk the numbers of the current second from a random start.
    const QString time = QDateTime::currentDateTime().toString("yyyyMMddHHmmss");
    const int start = static_cast<int>(QRandomGenerator::global()->bounded(kNumbersPerSecond));
    for (int i = 0; i < kNumbersPerSecond; ++i) {
        const QString candidate = nameAt(folder, time, (start + i) % kNumbersPerSecond);
        created = createExclusive(candidate);
        if (created != 0)
            return created > 0 ? candidate : QString();
    }
    return QString();
}

} // namespace vuro
