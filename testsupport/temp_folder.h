#pragma once

// A fresh folder under /tmp for one test, removed with everything in it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace testsupport {

inline void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The file's bytes; empty when it is missing. A read that fails part way
// (a /proc file of a process that has just ended) gives the bytes read so
// far: istream::read turns the stream buffer's error into badbit, where an
// istreambuf_iterator would let the exception through.
inline std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer), in.gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    return text;
}

// The file's lines without their line ends; none when it is missing.
inline std::vector<std::string> readLines(const std::string& path)
{
    std::istringstream in(readText(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/taliro-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path without and with a trailing "/".
    const std::string& path() const { return path_; }
    std::string dir() const { return path_ + "/"; }
    std::string file(const std::string& name) const { return dir() + name; }

    void write(const std::string& name, const std::string& content) const { writeText(file(name), content); }
    std::string read(const std::string& name) const { return readText(file(name)); }
    std::set<std::string> names() const
    {
        std::set<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            result.insert(entry.path().filename().string());
        return result;
    }

private:
    std::string path_;
};

}  // namespace testsupport
