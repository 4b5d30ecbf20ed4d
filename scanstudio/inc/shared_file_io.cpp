#include "shared_file_io.h"

#include "utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace helper {

namespace {

int create_temporary(const std::string& path, std::string& temporary)
{
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp%08x", static_cast<unsigned>(entropy()));
        temporary = path + suffix;
        // Readable by no one else until it has its final mode.
        int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The process's umask, read without changing it (other threads may create files meanwhile).
mode_t current_umask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    unsigned mask = 022;
    if (status) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        }
        std::fclose(status);
    }
    return static_cast<mode_t>(mask & 0777);
}

}  // namespace

bool replace_file(const std::string& path, std::string_view content, Durability durability)
{
    // The mode of a file, not of a link's target.
    struct stat old_file{};
    bool had_old = lstat(path.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode);

    std::string temporary;
    int fd = create_temporary(path, temporary);
    if (fd < 0)
        return false;
    bool ok = write_all(fd, content.data(), content.size());
    if (ok)
        ok = fchmod(fd, had_old ? old_file.st_mode & 07777 : 0666 & ~current_umask()) == 0;
    if (ok && durability == Durability::synced)
        ok = fsync(fd) == 0;
    if (close(fd) != 0)
        ok = false;
    if (ok)
        ok = rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(temporary.c_str());
    return ok;
}

int open_regular_file(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace helper
