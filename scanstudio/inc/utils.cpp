#include "utils.h"

#include <libgen.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char kDocumentsFolder[] = "taliroScan";

std::string account_home()
{
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr || found->pw_dir == nullptr)
        return {};
    return found->pw_dir;
}

bool is_directory(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void make_folder(const std::string& folder, const std::string& whole_path)
{
    if (is_directory(folder))
        return;
    if (mkdir(folder.c_str(), 0777) != 0)
        std::printf("%s created failed!/n", whole_path.c_str());
}

}  // namespace

std::string get_default_vuro_scan_doucments_directory()
{
    const char* env_home = std::getenv("HOME");
    std::string home = env_home != nullptr ? env_home : "";
    if (home.empty())
        home = account_home();
    if (home.empty())
        return kDocumentsFolder;
    if (home.back() != '/')
        home += '/';
    return home + kDocumentsFolder;
}

namespace helper {

std::string get_file_directory(const std::string& path)
{
    if (path.size() > kMaxPathLength)
        return {};
    char copy[kMaxPathLength + 1] = {};
    std::memcpy(copy, path.data(), path.size());
    return dirname(copy);
}

bool create_directory(const std::string& path)
{
    if (path.find('/') == std::string::npos) {
        std::printf("dir is not directory!/n");
        return false;
    }
    // The longest prefix created on the way ends before the last "/".
    if (path.size() > kMaxPathLength || path.rfind('/') > kMaxPrefixLength)
        return false;
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        make_folder(path.substr(0, slash), path);
    make_folder(path, path);
    return is_directory(path);
}

bool write_all(int fd, const void* data, std::size_t size)
{
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t wrote = write(fd, next, size);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        next += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace helper
