#include "daemon_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int createFileAnew(const std::string& path, int flags)
{
    unlink(path.c_str());
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | flags, kDaemonFileMode);
}

int openForAppend(const std::string& path)
{
    // Non-blocking, so that a pipe at the name cannot hold the open.
    const int fd =
        open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kDaemonFileMode);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, O_APPEND);
    return fd;
}
