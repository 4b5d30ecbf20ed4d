// Shared files under scan/: created and opened to all without following
// links, and the work folder emptied without leaving it.

#include "shared_files.h"

#include <temp_folder.h>

#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;

QString q(const std::string &path)
{
    return QString::fromStdString(path);
}

mode_t modeOf(const std::string &path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(SharedFiles, MissingFileIsCreatedEmptyAndExistingKeepsItsContent)
{
    TempFolder dir;
    const mode_t old = umask(022);
    shared_files::makeSharedFile(q(dir.file("auth")));
    dir.write("scan App.conf", "{}");
    chmod(dir.file("scan App.conf").c_str(), 0600);
    shared_files::makeSharedFile(q(dir.file("scan App.conf")));
    umask(old);

    EXPECT_EQ(dir.read("auth"), "");
    EXPECT_EQ(modeOf(dir.file("auth")), 0777u);
    EXPECT_EQ(dir.read("scan App.conf"), "{}");
    EXPECT_EQ(modeOf(dir.file("scan App.conf")), 0777u);
}

TEST(SharedFiles, LinksAndOtherKindsAreLeftAlone)
{
    TempFolder dir;
    dir.write("target", "secret");
    chmod(dir.file("target").c_str(), 0600);
    symlink(dir.file("target").c_str(), dir.file("auth").c_str());
    symlink(dir.file("created-through-link").c_str(), dir.file("scanAppLog.log").c_str());
    mkfifo(dir.file("fifo").c_str(), 0600);

    for (const char *name : {"auth", "scanAppLog.log", "fifo"})
        shared_files::makeSharedFile(q(dir.file(name)));

    EXPECT_EQ(dir.read("target"), "secret");
    EXPECT_EQ(modeOf(dir.file("target")), 0600u);
    EXPECT_FALSE(fs::exists(dir.file("created-through-link")));
    EXPECT_EQ(modeOf(dir.file("fifo")), 0600u);
    EXPECT_EQ(shared_files::openForAppend(q(dir.file("auth"))), -1);
    EXPECT_EQ(shared_files::openForAppend(q(dir.file("scanAppLog.log"))), -1);
    EXPECT_FALSE(fs::exists(dir.file("created-through-link")));
}

TEST(SharedFiles, SharedFolderIsMadeWithItsParents)
{
    TempFolder dir;
    shared_files::makeSharedFolder(q(dir.file("a b/c")));
    EXPECT_TRUE(fs::is_directory(dir.file("a b/c")));
    EXPECT_EQ(modeOf(dir.file("a b/c")), 0777u);

    fs::create_directory(dir.file("kept"));
    chmod(dir.file("kept").c_str(), 0700);
    symlink(dir.file("kept").c_str(), dir.file("link").c_str());
    shared_files::makeSharedFolder(q(dir.file("link")));
    shared_files::makeSharedFolder(q(dir.file("link/")));
    EXPECT_EQ(modeOf(dir.file("kept")), 0700u);
}

TEST(SharedFiles, WorkFolderLosesItsFilesButNotItsTreeHiddenEntriesOrLinkedFolders)
{
    TempFolder dir;
    TempFolder outside;
    outside.write("precious", "x");
    const std::string tmp = dir.file("tmp");
    fs::create_directories(tmp + "/taliroscane/deeper");
    fs::create_directories(tmp + "/.hidden");
    testsupport::writeText(tmp + "/taliroscane_1.rgb", "page");
    testsupport::writeText(tmp + "/taliroscane/ocr", "text");
    testsupport::writeText(tmp + "/taliroscane/deeper/work", "jpeg");
    testsupport::writeText(tmp + "/.keep", "hidden");
    testsupport::writeText(tmp + "/.hidden/inside", "hidden");
    symlink(outside.path().c_str(), (tmp + "/planted").c_str());
    symlink(outside.file("precious").c_str(), (tmp + "/file-link").c_str());
    symlink((tmp + "/gone").c_str(), (tmp + "/dangling").c_str());

    EXPECT_TRUE(shared_files::deleteFilesBelow(q(tmp + "/")));

    EXPECT_FALSE(fs::exists(tmp + "/taliroscane_1.rgb"));
    EXPECT_FALSE(fs::exists(tmp + "/taliroscane/ocr"));
    EXPECT_FALSE(fs::exists(tmp + "/taliroscane/deeper/work"));
    EXPECT_TRUE(fs::is_directory(tmp + "/taliroscane/deeper"));
    EXPECT_TRUE(fs::exists(tmp + "/.keep"));
    EXPECT_TRUE(fs::exists(tmp + "/.hidden/inside"));
    EXPECT_TRUE(fs::is_symlink(tmp + "/planted"));
    EXPECT_EQ(outside.read("precious"), "x");
    EXPECT_FALSE(fs::is_symlink(tmp + "/file-link"));
    EXPECT_FALSE(fs::is_symlink(tmp + "/dangling"));
}

TEST(SharedFiles, WorkFolderThatIsALinkOrNoFolderDeletesNothing)
{
    TempFolder dir;
    TempFolder outside;
    outside.write("precious", "x");
    symlink(outside.path().c_str(), dir.file("tmp").c_str());
    dir.write("plain", "y");

    EXPECT_TRUE(shared_files::deleteFilesBelow(q(dir.file("tmp"))));
    EXPECT_TRUE(shared_files::deleteFilesBelow(q(dir.file("tmp/"))));
    EXPECT_TRUE(shared_files::deleteFilesBelow(q(dir.file("plain"))));
    EXPECT_TRUE(shared_files::deleteFilesBelow(q(dir.file("missing"))));
    EXPECT_FALSE(shared_files::deleteFilesBelow(QString()));
    EXPECT_EQ(outside.read("precious"), "x");
    EXPECT_EQ(dir.read("plain"), "y");
}

}  // namespace
