#include "regular_file.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace {

TEST(ReadRegularFile, ReadsRegularFilesAndLinksToThemOnly)
{
    const std::string text = "*ModelName: \"Taliro TX 560PDN\"\n";
    testsupport::TempFolder folder;
    folder.write("regular", text);
    struct Case {
        const char* name;
        std::function<int(const std::string&)> make;  // nullptr: the file is there already
        bool read;
    };
    const Case cases[] = {
        {"regular", nullptr, true},
        {"link to regular", [&](const std::string& p) { return symlink(folder.file("regular").c_str(), p.c_str()); },
         true},
        {"fifo", [](const std::string& p) { return mkfifo(p.c_str(), 0644); }, false},
        {"folder", [](const std::string& p) { return mkdir(p.c_str(), 0755); }, false},
        {"link to zero", [](const std::string& p) { return symlink("/dev/zero", p.c_str()); }, false},
        {"dangling link", [&](const std::string& p) { return symlink(folder.file("none").c_str(), p.c_str()); },
         false},
        {"missing", [](const std::string&) { return 0; }, false},
    };
    for (const Case& c : cases) {
        const std::string path = folder.file(c.name);
        if (c.make) {
            ASSERT_EQ(c.make(path), 0) << c.name;
        }
        QByteArray content = "old";
        EXPECT_EQ(ReadRegularFile(QString::fromStdString(path), 1024, content), c.read) << c.name;
        EXPECT_EQ(content.toStdString(), c.read ? text : "") << c.name;
    }
}

TEST(ReadRegularFile, ReadsNoFurtherThanTheBound)
{
    testsupport::TempFolder folder;
    folder.write("big", std::string(100000, 'x') + "end");
    const QString path = QString::fromStdString(folder.file("big"));
    QByteArray content;
    ASSERT_TRUE(ReadRegularFile(path, 40000, content));
    EXPECT_EQ(content, QByteArray(40000, 'x'));
    ASSERT_TRUE(ReadRegularFile(path, 200000, content));
    EXPECT_EQ(content.size(), 100003);
    EXPECT_TRUE(content.endsWith("end"));
}

}  // namespace
