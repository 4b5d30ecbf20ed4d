// The auth file: the default login written byte for byte where there is no
// usable file, what a read takes from it, and what a failed read keeps.

#include "auth_file.h"

#include <temp_folder.h>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace {

using testsupport::TempFolder;

const std::string kDefaultFile = "{\n   \"password\" : \"ODUyNg==\",\n   \"userName\" : \"admin\"\n}\n\n";

QString q(const std::string &path)
{
    return QString::fromStdString(path);
}

TEST(AuthFile, DefaultLoginIsWrittenWhereTheFileIsMissingOrHoldsAtMostOneByte)
{
    ASSERT_EQ(kDefaultFile.size(), 57u);
    EXPECT_EQ(auth_file::defaultContent().toStdString(), kDefaultFile);

    struct Case {
        const char *what;
        std::optional<std::string> before;
        std::string after;
    };
    const Case cases[] = {
        {"missing", std::nullopt, kDefaultFile},
        {"empty, as ScanStudio makes it", "", kDefaultFile},
        {"one byte", "{", kDefaultFile},
        {"two bytes", "{}", "{}"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        if (c.before)
            dir.write("auth", *c.before);
        auth_file::Login login;
        auth_file::load(q(dir.file("auth")), login);
        EXPECT_EQ(dir.read("auth"), c.after);
        // Writing the default leaves the stored values to the next read.
        EXPECT_TRUE(login.userName.isEmpty());
        EXPECT_TRUE(login.password.isEmpty());
    }
}

TEST(AuthFile, ReadTakesTheUserNameAndTheDecodedPassword)
{
    struct Case {
        const char *what;
        std::string content;
        QString userName;
        QString password;
    };
    const Case cases[] = {
        {"default", kDefaultFile, "admin", "8526"},
        {"compact", R"({"password":"YWJj","userName":"root"})", "root", "abc"},
        {"password ends at a zero byte", R"({"password":"YWIAY2Q=","userName":"a"})", "a", "ab"},
        {"invalid Base64 characters are passed over", R"({"password":"O*DU@yNg==","userName":"a"})", "a", "8526"},
        {"Chinese user name", "{\"password\":\"YWJj\",\"userName\":\"\xe7\xae\xa1\xe7\x90\x86\"}", QString::fromUtf8("管理"), "abc"},
        {"missing members", R"({"other":"x"})", "", ""},
        {"members of other types", R"({"password":{"a":1},"userName":5})", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        dir.write("auth", c.content);
        auth_file::Login login{"before", "before"};
        auth_file::load(q(dir.file("auth")), login);
        EXPECT_EQ(login.userName, c.userName);
        EXPECT_EQ(login.password, c.password);
        EXPECT_EQ(dir.read("auth"), c.content);
    }
}

TEST(AuthFile, UnusableFileKeepsTheLoginOfTheLastGoodRead)
{
    TempFolder outside;
    outside.write("good", kDefaultFile);
    struct Case {
        const char *what;
        void (*make)(const TempFolder &dir, const TempFolder &outside);
    };
    const Case cases[] = {
        {"array", [](const TempFolder &dir, const TempFolder &) { dir.write("auth", "[1]"); }},
        {"number", [](const TempFolder &dir, const TempFolder &) { dir.write("auth", "42"); }},
        {"broken", [](const TempFolder &dir, const TempFolder &) { dir.write("auth", "{\"userName\":"); }},
        {"too large", [](const TempFolder &dir, const TempFolder &) {
             dir.write("auth", std::string(auth_file::kMaxFileSize, ' ') + kDefaultFile);
         }},
        {"folder", [](const TempFolder &dir, const TempFolder &) {
             std::filesystem::create_directory(dir.file("auth"));
         }},
        {"link to a good file", [](const TempFolder &dir, const TempFolder &outside) {
             symlink(outside.file("good").c_str(), dir.file("auth").c_str());
         }},
        {"fifo", [](const TempFolder &dir, const TempFolder &) { mkfifo(dir.file("auth").c_str(), 0600); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        c.make(dir, outside);
        auth_file::Login login{"kept", "kept"};
        auth_file::load(q(dir.file("auth")), login);
        EXPECT_EQ(login.userName, "kept");
        EXPECT_EQ(login.password, "kept");
    }
    EXPECT_EQ(outside.read("good"), kDefaultFile);
}

TEST(AuthFile, DefaultLoginIsNeverWrittenThroughALink)
{
    TempFolder dir;
    TempFolder outside;
    outside.write("empty", "");
    symlink(outside.file("empty").c_str(), dir.file("auth").c_str());
    symlink(outside.file("created").c_str(), dir.file("dangling").c_str());

    auth_file::Login login;
    auth_file::load(q(dir.file("auth")), login);
    auth_file::load(q(dir.file("dangling")), login);

    EXPECT_EQ(outside.read("empty"), "");
    EXPECT_FALSE(std::filesystem::exists(outside.file("created")));
}

}  // namespace
