#include "shared_files.h"

#include "single_instance.h"

#include <QDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shared_files {
namespace {

void setModeOnDescriptor(int fd, bool (*kindOk)(mode_t))
{
    struct stat st {};
    if (fstat(fd, &st) == 0 && kindOk(st.st_mode))
        fchmod(fd, 0777);
}

bool isRegular(mode_t mode) { return S_ISREG(mode); }
bool isFolder(mode_t mode) { return S_ISDIR(mode); }

// Deletes the files below the open folder `dirFd`, which it closes.
void deleteFilesIn(int dirFd)
{
    DIR *dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return;
    }
    while (const dirent *entry = readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.')
            continue;  // ".", ".." and hidden entries stay
        struct stat st {};
        if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int child = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                deleteFilesIn(child);
            continue;
        }
        struct stat target {};
        if (S_ISLNK(st.st_mode) && fstatat(dirFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode))
            continue;  // a link to a folder: neither followed nor removed
        unlinkat(dirFd, name, 0);
    }
    closedir(dir);
}

// Gives the regular file `name` mode 0777; `createFlag` is O_CREAT or 0.
void shareFileAt(const QByteArray &name, int createFlag)
{
    // Read-only and non-blocking: enough for fchmod, and a planted fifo
    // cannot hold the start-up.
    const int fd = open(name.constData(), O_RDONLY | createFlag | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    setModeOnDescriptor(fd, isRegular);
    close(fd);
}

// The name without trailing slashes, which would make open() follow a link
// at the last component.
QByteArray withoutTrailingSlash(const QString &path)
{
    QByteArray name = QFile::encodeName(path);
    while (name.size() > 1 && name.endsWith('/'))
        name.chop(1);
    return name;
}

}  // namespace

void makeSharedFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int held = held_lock_descriptor(name.constData());
    if (held >= 0) {
        setModeOnDescriptor(held, isRegular);
        return;
    }
    shareFileAt(name, O_CREAT);
}

void shareExistingFile(const QString &path)
{
    shareFileAt(QFile::encodeName(path), 0);
}

void makeSharedFolder(const QString &path)
{
    QDir().mkpath(path);
    const int fd = open(withoutTrailingSlash(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    setModeOnDescriptor(fd, isFolder);
    close(fd);
}

int openForAppend(const QString &path)
{
    return open(QFile::encodeName(path).constData(),
                O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
}

bool deleteFilesBelow(const QString &path)
{
    if (path.isEmpty())
        return false;
    const int fd = open(withoutTrailingSlash(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        deleteFilesIn(fd);
    return true;
}

}  // namespace shared_files
