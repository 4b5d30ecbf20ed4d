#include "zip_compress.h"

#include "file_routines.h"

#include <minizip/zip.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace zip {

namespace {

constexpr std::size_t kBlock = 1 << 16;

// Writes the file's content into the open entry; an empty file writes nothing.
bool WriteInZipFile(zipFile archive, const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<char> block(kBlock);
    bool ok = true;
    for (;;) {
        const ssize_t got = read(fd, block.data(), block.size());
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (zipWriteInFileInZip(archive, block.data(), static_cast<unsigned>(got)) != ZIP_OK) {
            ok = false;
            break;
        }
    }
    close(fd);
    return ok;
}

bool add_entry(zipFile archive, const std::string& name, const std::string& path)
{
    zip_fileinfo info{};
    if (zipOpenNewFileInZip(archive, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, 0, 0) != ZIP_OK)
        return false;
    const bool written = WriteInZipFile(archive, path);
    return zipCloseFileInZip(archive) == ZIP_OK && written;
}

// Writes the entries (zip name, file path) into a new package at zip_path.
int write_package(const std::vector<std::pair<std::string, std::string>>& entries, const std::string& zip_path)
{
    helper::PendingFile package(zip_path);
    if (package.path().empty())
        return -1;
    zipFile archive = zipOpen(package.path().c_str(), APPEND_STATUS_CREATE);
    bool ok = archive != nullptr;
    for (std::size_t i = 0; ok && i < entries.size(); ++i)
        ok = add_entry(archive, entries[i].first, entries[i].second);
    if (archive != nullptr)
        ok = zipClose(archive, nullptr) == ZIP_OK && ok;
    return ok && package.commit() ? 0 : -1;
}

}  // namespace

void EnumDirFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& names)
{
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        struct stat info{};
        if (lstat(path.c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            EnumDirFiles(path, prefix + "/" + name, names);
        else if (S_ISREG(info.st_mode))
            names.push_back(prefix + "/" + name);
    }
    closedir(listing);
}

int zip_compress(const std::string& source, const std::string& zip_path, bool strip_root)
{
    std::string path = source;
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat info{};
    if (stat(path.c_str(), &info) != 0)
        return 0;
    const std::size_t slash = path.rfind('/');
    if (S_ISREG(info.st_mode))
        return write_package({{path.substr(slash == std::string::npos ? 0 : slash + 1), path}}, zip_path);
    if (!S_ISDIR(info.st_mode))
        return 0;

    const std::string parent = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string folder_name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<std::string> names;
    EnumDirFiles(path, folder_name, names);
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& name : names) {
        const std::string file = parent + "/" + name;
        entries.emplace_back(strip_root ? name.substr(name.find('/') + 1) : name, file);
    }
    return write_package(entries, zip_path);
}

}  // namespace zip
