#include "single_instance.h"

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, int>> &heldLocks()
{
    static std::vector<std::pair<std::string, int>> locks;
    return locks;
}

}  // namespace

int lockfile(int fd)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return fcntl(fd, F_SETLK, &lock);
}

int already_running(const char *path)
{
    // A link planted at the lock's name is a failed open, never followed.
    const int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        syslog(LOG_ERR, "can't open %s: %m\n", path);
        exit(1);
    }
    if (lockfile(fd) < 0) {
        if (errno == EACCES || errno == EAGAIN) {
            syslog(LOG_ERR, "file: %s already locked", path);
            close(fd);
            return 1;
        }
        syslog(LOG_ERR, "can't lock %s: %m\n", path);
        exit(1);
    }
    heldLocks().emplace_back(path, fd);
    // The lock holds whatever becomes of the pid text.
    char pid[16];
    std::snprintf(pid, sizeof pid, "%ld", static_cast<long>(getpid()));
    if (ftruncate(fd, 0) == 0) {
        const ssize_t ignored = write(fd, pid, std::strlen(pid) + 1);
        (void)ignored;
    }
    return 0;
}

int held_lock_descriptor(const char *path)
{
    for (const auto &[lockPath, fd] : heldLocks()) {
        if (lockPath == path)
            return fd;
    }
    return -1;
}
