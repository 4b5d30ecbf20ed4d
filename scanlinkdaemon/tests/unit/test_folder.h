#pragma once

// A temporary folder that is removed with everything in it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

class TestFolder {
public:
    TestFolder()
    {
        char pattern[] = "/tmp/scanlinkdaemon-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TestFolder() { std::filesystem::remove_all(path_); }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder's path without and with a trailing "/".
    const std::string& path() const { return path_; }
    std::string dir() const { return path_ + "/"; }

    void write(const std::string& name, const std::string& content) const
    {
        std::ofstream(dir() + name, std::ios::binary) << content;
    }
    std::string read(const std::string& name) const
    {
        std::ifstream file(dir() + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
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
