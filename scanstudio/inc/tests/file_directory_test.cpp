#include "utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileDirectory, IsThePosixFolderPart)
{
    struct case_t {
        std::string path;
        std::string expected;
    } cases[] = {
        {"/opt/taliro/scan/scanApp.conf", "/opt/taliro/scan"},
        {"/opt/taliro/scan/", "/opt/taliro"},
        {"/scanApp.conf", "/"},
        {"/", "/"},
        {"scanApp.conf", "."},
        {"scan/scanApp.conf", "scan"},
        {"", "."},
        {"/a//b", "/a"},
        {"/" + std::string(helper::kMaxPathLength - 3, 'x') + "/f", "/" + std::string(helper::kMaxPathLength - 3, 'x')},
    };
    for (const case_t& c : cases)
        EXPECT_EQ(helper::get_file_directory(c.path), c.expected) << c.path;
}

TEST(FileDirectory, RefusesPathsLongerThanTheLimit)
{
    std::string path = "/" + std::string(helper::kMaxPathLength, 'x') + "/f";
    EXPECT_EQ(helper::get_file_directory(path), "");
}

}  // namespace
