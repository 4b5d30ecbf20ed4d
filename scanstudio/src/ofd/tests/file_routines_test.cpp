// The file routines under the OFD writer: path joining, copies, private work
// folders, their removal, and stored zip packages.
#include "child_process.h"
#include "file_routines.h"
#include "temp_folder.h"
#include "zip_compress.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

namespace {

namespace fs = std::filesystem;

TEST(FileRoutines, CombinePathFile)
{
    struct Case {
        const char* dir;
        const char* file;
        const char* joined;
    };
    const Case cases[] = {
        {"/a/b", "c.xml", "/a/b/c.xml"},     {"/a/b/", "c.xml", "/a/b/c.xml"},
        {"/a/b", "/c.xml", "/a/b/c.xml"},    {"/a/b", "  /c.xml", "/a/b/c.xml"},
        {"/a/b", "//c.xml", "/a/b//c.xml"},  {"", "c.xml", "c.xml"},
        {"", "/c.xml", "c.xml"},             {"/a", "", "/a/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(helper::combine_path_file(c.dir, c.file), c.joined) << c.dir << " + " << c.file;
}

TEST(FileRoutines, CopyFileMakesTheFolderAndNeverWritesThroughALink)
{
    testsupport::TempFolder dir;
    const std::string content(20000, 'x');  // more than two copy blocks
    dir.write("src.jpg", content);

    EXPECT_TRUE(helper::copy_file(dir.file("src.jpg"), dir.file("new/deeper/copy.jpg"), true));
    EXPECT_EQ(dir.read("new/deeper/copy.jpg"), content);

    EXPECT_TRUE(helper::copy_file(dir.file("src.jpg"), dir.file("new"), false));
    EXPECT_EQ(dir.read("new/src.jpg"), content);

    dir.write("victim", "keep");
    ASSERT_EQ(symlink(dir.file("victim").c_str(), dir.file("planted").c_str()), 0);
    EXPECT_FALSE(helper::copy_file(dir.file("src.jpg"), dir.file("planted"), false));
    EXPECT_TRUE(helper::copy_file(dir.file("src.jpg"), dir.file("planted"), true));
    EXPECT_EQ(dir.read("victim"), "keep");
    EXPECT_FALSE(fs::is_symlink(dir.file("planted")));
    EXPECT_EQ(dir.read("planted"), content);

    EXPECT_FALSE(helper::copy_file(dir.file("missing.jpg"), dir.file("copy2.jpg"), true));
    EXPECT_FALSE(fs::exists(dir.file("copy2.jpg")));
}

TEST(FileRoutines, PrivateFoldersAreRemovedWithoutFollowingLinks)
{
    testsupport::TempFolder dir;
    dir.write("outside.txt", "keep");
    ASSERT_TRUE(fs::create_directory(dir.file("outside")));
    dir.write("outside/inner.txt", "keep");

    const std::string first = helper::create_private_directory(dir.file("scan/tmp"), "ofd");
    const std::string second = helper::create_private_directory(dir.file("scan/tmp"), "ofd");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(std::regex_match(first, std::regex(dir.file("scan/tmp/ofd[0-9a-f]{16}"))));
    struct stat info{};
    ASSERT_EQ(stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    fs::create_directories(first + "/Doc_0/Res");
    testsupport::writeText(first + "/Doc_0/Res/image_2.jpg", "jpeg");
    fs::create_symlink(dir.file("outside"), first + "/Doc_0/linked-folder");
    fs::create_symlink(dir.file("outside.txt"), first + "/linked-file");
    helper::remove_directory_tree(first);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(dir.read("outside.txt"), "keep");
    EXPECT_EQ(dir.read("outside/inner.txt"), "keep");

    // A link in the folder's own place is removed, not its target.
    fs::create_symlink(dir.file("outside"), dir.file("scan/tmp/link"));
    helper::remove_directory_tree(dir.file("scan/tmp/link"));
    EXPECT_FALSE(fs::is_symlink(dir.file("scan/tmp/link")));
    EXPECT_EQ(dir.read("outside/inner.txt"), "keep");

    dir.write("plain", "");
    EXPECT_EQ(helper::create_private_directory(dir.file("plain")), "");
}

std::string zipNames(const std::string& zipFile)
{
    std::string names;
    testbed::runProgram({"/usr/bin/unzip", "-Z1", zipFile}, 10000, &names);
    return names;
}

TEST(ZipCompress, EntriesAreNamedFromTheSource)
{
    testsupport::TempFolder dir;
    fs::create_directories(dir.file("pkg/sub"));
    dir.write("pkg/sub/b.txt", "bee");
    dir.write("single.txt", "one");

    ASSERT_EQ(zip::zip_compress(dir.file("pkg/"), dir.file("kept.zip"), false), 0);
    EXPECT_EQ(zipNames(dir.file("kept.zip")), "pkg/sub/b.txt\n");
    ASSERT_EQ(zip::zip_compress(dir.file("pkg"), dir.file("stripped.zip"), true), 0);
    EXPECT_EQ(zipNames(dir.file("stripped.zip")), "sub/b.txt\n");
    ASSERT_EQ(zip::zip_compress(dir.file("single.txt"), dir.file("single.zip"), true), 0);
    EXPECT_EQ(zipNames(dir.file("single.zip")), "single.txt\n");
    EXPECT_EQ(testbed::runProgram({"/usr/bin/unzip", "-t", dir.file("single.zip")}, 10000), 0);

    fs::create_directories(dir.file("empty"));
    ASSERT_EQ(zip::zip_compress(dir.file("empty"), dir.file("empty.zip"), true), 0);
    EXPECT_EQ(dir.read("empty.zip").substr(0, 4), std::string("PK\x05\x06"));

    EXPECT_EQ(zip::zip_compress(dir.file("missing"), dir.file("missing.zip"), true), 0);
    EXPECT_FALSE(fs::exists(dir.file("missing.zip")));
    EXPECT_EQ(zip::zip_compress(dir.file("pkg"), dir.file("no/such/folder.zip"), true), -1);
    const std::set<std::string> left = {"empty", "empty.zip", "kept.zip", "pkg", "single.txt",
                                        "single.zip", "stripped.zip"};
    EXPECT_EQ(dir.names(), left);
}

}  // namespace
