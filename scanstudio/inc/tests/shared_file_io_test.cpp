#include "shared_file_io.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

// What may be at a name in a folder that others write, planted before the
// call; "victim" is a file elsewhere.
struct Planted {
    const char* what;
    std::function<void(const testsupport::TempFolder&, const std::string&)> plant;
};

const Planted kPlanted[] = {
    {"symbolic link", [](const testsupport::TempFolder& dir, const std::string& name) {
         ASSERT_EQ(symlink(dir.file("victim").c_str(), name.c_str()), 0);
     }},
    {"dangling link", [](const testsupport::TempFolder& dir, const std::string& name) {
         ASSERT_EQ(symlink(dir.file("nowhere").c_str(), name.c_str()), 0);
     }},
    {"hard link", [](const testsupport::TempFolder& dir, const std::string& name) {
         ASSERT_EQ(link(dir.file("victim").c_str(), name.c_str()), 0);
     }},
    {"pipe", [](const testsupport::TempFolder&, const std::string& name) { ASSERT_EQ(mkfifo(name.c_str(), 0666), 0); }},
    {"folder", [](const testsupport::TempFolder&, const std::string& name) { ASSERT_EQ(mkdir(name.c_str(), 0777), 0); }},
};

TEST(ReplaceFile, TakesTheNameAndLeavesWhatWasThereAlone)
{
    for (const Planted& p : kPlanted) {
        SCOPED_TRACE(p.what);
        testsupport::TempFolder dir;
        dir.write("victim", "victim's own");
        const std::string name = dir.file("work");
        p.plant(dir, name);
        const bool folder = fs::is_directory(fs::symlink_status(name));
        EXPECT_EQ(helper::replace_file(name, "new", helper::Durability::unsynced), !folder);
        EXPECT_EQ(dir.read("victim"), "victim's own");
        EXPECT_FALSE(fs::exists(dir.file("nowhere")));
        if (!folder) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(name)));
            EXPECT_EQ(dir.read("work"), "new");
        }
        EXPECT_EQ(dir.names(), (std::set<std::string>{"victim", "work"})) << "no temporary left";
    }
}

TEST(OpenRegularFile, OpensOnlyAFileAtTheName)
{
    for (const Planted& p : kPlanted) {
        SCOPED_TRACE(p.what);
        testsupport::TempFolder dir;
        dir.write("victim", "victim's own");
        p.plant(dir, dir.file("work"));
        const int fd = helper::open_regular_file(dir.file("work"));
        // A hard link is the file itself.
        EXPECT_EQ(fd >= 0, std::string(p.what) == "hard link");
        if (fd >= 0)
            close(fd);
    }
    testsupport::TempFolder dir;
    dir.write("file", "text");
    const int fd = helper::open_regular_file(dir.file("file"));
    ASSERT_GE(fd, 0);
    char text[8] = {};
    EXPECT_EQ(read(fd, text, sizeof text - 1), 4);
    EXPECT_STREQ(text, "text");
    close(fd);
    EXPECT_EQ(helper::open_regular_file(dir.file("missing")), -1);
}

}  // namespace
