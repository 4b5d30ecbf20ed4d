#include "temp_folder.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class CreateDirectory : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(root_.empty()); }

    // Runs create_directory and returns what it printed.
    std::string create(const std::string& path, bool& result)
    {
        testing::internal::CaptureStdout();
        result = helper::create_directory(path);
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    testsupport::TempFolder folder_;
    const std::string root_ = folder_.path();
};

mode_t mode_of(const std::string& path)
{
    struct stat info{};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST_F(CreateDirectory, CreatesEveryMissingLevel)
{
    std::string first = root_ + "/one";
    std::string whole = first + "/two/three";
    ASSERT_EQ(mkdir(first.c_str(), 0700), 0);
    std::FILE* marker = std::fopen((first + "/keep").c_str(), "w");
    ASSERT_NE(marker, nullptr);
    std::fclose(marker);

    bool result = false;
    EXPECT_EQ(create(whole, result), "");
    EXPECT_TRUE(result);
    EXPECT_TRUE(fs::is_directory(first + "/two"));
    EXPECT_TRUE(fs::is_directory(whole));
    // An existing level is left alone.
    EXPECT_TRUE(fs::exists(first + "/keep"));
    EXPECT_EQ(mode_of(first), 0700u);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(mode_of(whole), 0777u & ~mask);

    EXPECT_EQ(create(whole + "/", result), "");
    EXPECT_TRUE(result);
}

TEST_F(CreateDirectory, ReportsAFileInTheWayAndGoesOn)
{
    std::string blocker = root_ + "/file";
    std::FILE* f = std::fopen(blocker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    bool result = true;
    std::string path = blocker + "/below";
    std::string printed = create(path, result);
    EXPECT_EQ(printed, path + " created failed!/n" + path + " created failed!/n");
    EXPECT_FALSE(result);
}

TEST_F(CreateDirectory, RefusesPathsWithoutSlash)
{
    ASSERT_EQ(chdir(root_.c_str()), 0);
    bool result = true;
    EXPECT_EQ(create("plain", result), "dir is not directory!/n");
    EXPECT_FALSE(result);
    EXPECT_FALSE(fs::exists(root_ + "/plain"));
}

TEST_F(CreateDirectory, RefusesOverlongPathsWithoutCreatingAnything)
{
    std::string long_prefix = root_ + "/a/" + std::string(helper::kMaxPrefixLength, 'p') + "/leaf";
    std::string long_path = root_ + "/b/" + std::string(helper::kMaxPathLength, 'q');
    for (const std::string& path : {long_prefix, long_path}) {
        bool result = true;
        EXPECT_EQ(create(path, result), "");
        EXPECT_FALSE(result);
    }
    EXPECT_TRUE(fs::is_empty(root_));

    // The longest accepted prefix still works (in names the file system takes).
    std::string edge = root_;
    while (edge.size() + 1 + 100 < helper::kMaxPrefixLength)
        edge += "/" + std::string(100, 'e');
    edge += "/" + std::string(helper::kMaxPrefixLength - edge.size() - 1, 'e');
    ASSERT_EQ(edge.size(), helper::kMaxPrefixLength);
    edge += "/leaf";
    bool result = false;
    EXPECT_EQ(create(edge, result), "");
    EXPECT_TRUE(result);
}

}  // namespace
