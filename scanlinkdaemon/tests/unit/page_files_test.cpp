#include "page_files.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::set<std::string> kScanFolder = {
    "taliroscandata_7_1_0.tmp",  "taliroscandata_7_1_1.tmp", "taliroscandata_7_10_0.tmp",
    "taliroscandata_7_1_x.tmp",  "taliroscandata_7_1_1.tmp.bak", "taliroscandata_8_1_0.tmp",
    "scanApp.conf", "auth", "taliro_scan_info.log"};

struct DeleteCase {
    const char* name;
    std::string base;  // "<folder>" stands for the folder's path
    std::set<std::string> deleted;
};

void PrintTo(const DeleteCase& c, std::ostream* out) { *out << c.name; }


class DeleteFileListTest : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteFileListTest, DeletesExactlyThePagesOfTheGivenJob)
{
    testsupport::TempFolder folder;
    for (const std::string& name : kScanFolder)
        folder.write(name, "x");
    std::filesystem::create_directory(folder.dir() + "taliroscandata_7_1_2.tmp");

    std::string base = GetParam().base;
    const size_t placeholder = base.find("<folder>");
    if (placeholder != std::string::npos)
        base.replace(placeholder, 8, folder.path());
    EXPECT_EQ(deleteFileList(folder.path(), base.c_str()), 0);

    std::set<std::string> expected = kScanFolder;
    for (const std::string& name : GetParam().deleted)
        expected.erase(name);
    expected.insert("taliroscandata_7_1_2.tmp");
    EXPECT_EQ(folder.names(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bases, DeleteFileListTest,
    ::testing::Values(
        DeleteCase{"JobOne", "<folder>/taliroscandata_7_1", {"taliroscandata_7_1_0.tmp", "taliroscandata_7_1_1.tmp"}},
        DeleteCase{"JobTen", "<folder>/taliroscandata_7_10", {"taliroscandata_7_10_0.tmp"}},
        DeleteCase{"Slash", "/", {}},
        DeleteCase{"FolderItself", "<folder>/", {}},
        DeleteCase{"PrefixOfABase", "<folder>/taliroscandata_7", {}},
        DeleteCase{"LeafWithoutFolder", "taliroscandata_7_1", {}},
        DeleteCase{"OtherFolder", "/tmp/taliroscandata_7_1", {}},
        DeleteCase{"ClimbsOut", "<folder>/../taliroscandata_7_1", {}},
        DeleteCase{"NotAJobBase", "<folder>/scanApp.conf", {}},
        DeleteCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeleteFileList, MissingFolderGivesMinusOne)
{
    EXPECT_EQ(deleteFileList("/nonexistent-scan-folder", "/nonexistent-scan-folder/taliroscandata_1_0"), -1);
}

TEST(PageFileNames, BaseAndPagesFollowTheJobAndPageNumbers)
{
    const std::string base = jobBaseName("/opt/x/scan/", 4711, 3);
    EXPECT_EQ(base, "/opt/x/scan/taliroscandata_4711_3");
    EXPECT_EQ(pageFileName(base, 12), "/opt/x/scan/taliroscandata_4711_3_12.tmp");
}

TEST(PageFileNames, OnlyTheDaemonsOwnPageFilesArePageFilePaths)
{
    const std::string dir = "/opt/x/scan/";
    struct Case {
        std::string path;
        bool isPage;
    };
    const Case cases[] = {
        {"/opt/x/scan/taliroscandata_4711_3_12.tmp", true},
        {"/opt/x/scan/taliroscandata_1_0_0.tmp", true},
        {"/opt/x/scan/taliroscandata_4711_3.tmp", false},
        {"/opt/x/scan/taliroscandata_4711_3_12.tmp.x", false},
        {"/opt/x/scan/taliroscandata_a_3_12.tmp", false},
        {"/opt/x/scan/taliroscandata__3_12.tmp", false},
        {"/opt/x/scan/sub/taliroscandata_1_0_0.tmp", false},
        {"/opt/x/scan/../scan/taliroscandata_1_0_0.tmp", false},
        {"/opt/x/scan/scanApp.conf", false},
        {"/opt/x/scan/", false},
        {"/etc/passwd", false},
        {"/tmp/taliroscandata_1_0_0.tmp", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isPageFilePath(dir, c.path), c.isPage) << c.path;
}

}  // namespace
