#include "file_routines.h"

#include "utils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace helper {

namespace {

constexpr std::size_t kCopyBlock = 8192;
constexpr int kNameAttempts = 32;

bool is_folder(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool lstat_is_folder(const std::string& path)
{
    struct stat info{};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string file_name_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool copy_contents(int from, int to)
{
    char block[kCopyBlock];
    for (;;) {
        const ssize_t got = read(from, block, sizeof block);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!write_all(to, block, static_cast<std::size_t>(got)))
            return false;
    }
}

}  // namespace

std::string combine_path_file(const std::string& dir, const std::string& file)
{
    std::string result = dir;
    if (!result.empty() && result.back() != '/')
        result += '/';
    std::size_t start = file.find_first_not_of(' ');
    if (start == std::string::npos)
        return result;
    if (file[start] == '/')
        ++start;
    return result + file.substr(start);
}

bool copy_file(const std::string& src, const std::string& dest, bool overwrite)
{
    const int from = open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return false;
    std::string target = dest;
    if (is_folder(target)) {
        target = combine_path_file(target, file_name_of(src));
    } else {
        const std::string folder = get_file_directory(target);
        if (!folder.empty() && !is_folder(folder))
            create_directory(folder);
    }
    int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    if (overwrite) {
        unlink(target.c_str());
        flags |= O_EXCL;
    }
    const int to = open(target.c_str(), flags, 0666);
    bool copied = false;
    if (to >= 0) {
        copied = copy_contents(from, to);
        copied = close(to) == 0 && copied;
    }
    close(from);
    return copied;
}

void enum_directory(const std::string& dir, std::vector<std::string>& list, bool recursive)
{
    DIR* folder = opendir(dir.c_str());
    if (folder == nullptr)
        return;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = combine_path_file(dir, name);
        list.push_back(path);
        if (recursive && lstat_is_folder(path))
            enum_directory(path, list, true);
    }
    closedir(folder);
}

std::string random_hex_bytes(std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::random_device source;
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned byte = source() & 0xFFu;
        text += digits[byte >> 4];
        text += digits[byte & 0x0Fu];
    }
    return text;
}

std::string create_private_directory(const std::string& parent, const std::string& prefix)
{
    if (!is_folder(parent) && !create_directory(parent))
        return {};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string path = combine_path_file(parent, prefix + random_hex_bytes(8));
        if (mkdir(path.c_str(), 0700) == 0)
            return path;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

PendingFile::PendingFile(const std::string& target) : target_(target)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string path = target + "." + random_hex_bytes(4) + ".part";
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            path_ = path;
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

PendingFile::~PendingFile()
{
    if (!path_.empty())
        unlink(path_.c_str());
}

bool PendingFile::commit()
{
    if (path_.empty() || std::rename(path_.c_str(), target_.c_str()) != 0)
        return false;
    path_.clear();
    return true;
}

void remove_directory_tree(const std::string& dir)
{
    if (!lstat_is_folder(dir)) {
        unlink(dir.c_str());
        return;
    }
    std::vector<std::string> entries;
    enum_directory(dir, entries, true);
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        std::remove(entry->c_str());
    rmdir(dir.c_str());
}

}  // namespace helper
