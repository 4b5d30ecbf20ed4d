#include "page_files.h"

#include "daemon_log.h"

#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>

namespace {

const char kBasePrefix[] = "taliroscandata_";
const char kPageSuffix[] = ".tmp";

// Consumes one or more decimal digits at text[pos]; false when there is none.
bool skipDigits(const std::string& text, size_t& pos)
{
    const size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    return pos > start;
}

bool skipText(const std::string& text, size_t& pos, const std::string& expected)
{
    if (text.compare(pos, expected.size(), expected) != 0)
        return false;
    pos += expected.size();
    return true;
}

// "taliroscandata_<digits>_<digits>", the leaf of a job base.
bool isJobBaseLeaf(const std::string& leaf)
{
    size_t pos = 0;
    return skipText(leaf, pos, kBasePrefix) && skipDigits(leaf, pos) && skipText(leaf, pos, "_") &&
           skipDigits(leaf, pos) && pos == leaf.size();
}

// "<leaf>_<digits>.tmp"
bool isPageOf(const std::string& name, const std::string& leaf)
{
    size_t pos = 0;
    return skipText(name, pos, leaf) && skipText(name, pos, "_") && skipDigits(name, pos) &&
           skipText(name, pos, kPageSuffix) && pos == name.size();
}

bool isRegularFile(const std::string& path, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_REG;
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string jobBaseName(const std::string& scanDir, int pid, int n)
{
    return scanDir + kBasePrefix + std::to_string(pid) + "_" + std::to_string(n);
}

std::string pageFileName(const std::string& base, int k) { return base + "_" + std::to_string(k) + kPageSuffix; }

int deleteFileList(const std::string& basePath, const char* subStr)
{
    const std::string base = subStr;
    if (base.empty()) {
        logInfo("[TaliroScanSDK] subStr isEmpty\n");
        return 0;
    }
    DIR* folder = opendir(basePath.c_str());
    if (!folder)
        return -1;
    const std::string folderPrefix = basePath + "/";
    const bool baseInFolder = base.compare(0, folderPrefix.size(), folderPrefix) == 0;
    const std::string leaf = baseInFolder ? base.substr(folderPrefix.size()) : std::string();
    if (isJobBaseLeaf(leaf)) {
        while (const dirent* entry = readdir(folder)) {
            const std::string path = folderPrefix + entry->d_name;
            if (!isPageOf(entry->d_name, leaf) || !isRegularFile(path, *entry))
                continue;
            logInfo("[TaliroScanSDK] delete file:%s\n", path.c_str());
            std::remove(path.c_str());
        }
    }
    closedir(folder);
    return 0;
}

bool isPageFilePath(const std::string& scanDir, const std::string& path)
{
    if (path.compare(0, scanDir.size(), scanDir) != 0)
        return false;
    const std::string name = path.substr(scanDir.size());
    const size_t lastUnderscore = name.rfind('_');
    return lastUnderscore != std::string::npos && isJobBaseLeaf(name.substr(0, lastUnderscore)) &&
           isPageOf(name, name.substr(0, lastUnderscore));
}
