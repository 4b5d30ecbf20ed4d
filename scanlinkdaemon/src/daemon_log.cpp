#include "daemon_log.h"

#include "daemon_files.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A rotation or a name that changes under a line is followed this often before the line is dropped.
constexpr int kWriteAttempts = 4;

struct Log {
    explicit Log(const char* fileName) : name(fileName) {}

    const char* name;
    std::string path;
    int fd = -1;

    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    std::string previousCopy() const { return path + ".1"; }
};

Log infoLog{"taliro_scan_info.log"};
Log errorLog{"taliro_scan_err.log"};

void lockFile(int fd, int operation)
{
    while (flock(fd, operation) != 0 && errno == EINTR) {
    }
}

bool namesThisFile(const std::string& path, int fd, off_t& size)
{
    struct stat own {}, named {};
    if (fstat(fd, &own) != 0 || lstat(path.c_str(), &named) != 0)
        return false;
    size = own.st_size;
    return own.st_ino == named.st_ino && own.st_dev == named.st_dev;
}

// Appends one line under the file's lock. Another process may have turned the
// file into the previous copy since this one opened it: the name is followed first.
void writeLine(Log& log, const char* text, size_t length)
{
    // A log that could not be opened is tried again for each line.
    if (log.fd < 0)
        log.fd = openForAppend(log.path);
    for (int attempt = 0; attempt < kWriteAttempts && log.fd >= 0; ++attempt) {
        lockFile(log.fd, LOCK_EX);
        off_t size = 0;
        if (!namesThisFile(log.path, log.fd, size)) {
            log.close();
            log.fd = openForAppend(log.path);
            continue;
        }
        if (size > 0 && static_cast<size_t>(size) + length > kLogBound) {
            // Still locked: a process that waits for this file finds the new one at its name.
            rename(log.path.c_str(), log.previousCopy().c_str());
            log.close();
            log.fd = openForAppend(log.path);
            continue;
        }
        [[maybe_unused]] const ssize_t written = write(log.fd, text, length);
        lockFile(log.fd, LOCK_UN);
        return;
    }
}

void writeFormatted(Log& log, const char* format, va_list args)
{
    // No log before the daemon names its folder (the unit tests).
    if (log.path.empty())
        return;
    char line[1024];
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    if (length >= 0 && static_cast<size_t>(length) < sizeof line) {
        writeLine(log, line, static_cast<size_t>(length));
    } else if (length > 0) {
        std::vector<char> longLine(static_cast<size_t>(length) + 1);
        std::vsnprintf(longLine.data(), longLine.size(), format, again);
        writeLine(log, longLine.data(), static_cast<size_t>(length));
    }
    va_end(again);
}

void setPaths(const std::string& scanDir)
{
    for (Log* log : {&infoLog, &errorLog}) {
        log->close();
        log->path = scanDir + log->name;
    }
}

}  // namespace

void VuroInitDbg(const std::string& scanDir)
{
    setPaths(scanDir);
    for (Log* log : {&infoLog, &errorLog}) {
        unlink(log->previousCopy().c_str());
        log->fd = createFileAnew(log->path, O_APPEND);
    }
}

void VuroReopenDbg(const std::string& scanDir)
{
    setPaths(scanDir);
    for (Log* log : {&infoLog, &errorLog})
        log->fd = openForAppend(log->path);
}

void logInfo(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeFormatted(infoLog, format, args);
    va_end(args);
}

void logError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeFormatted(errorLog, format, args);
    va_end(args);
}
