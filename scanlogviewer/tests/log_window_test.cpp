// The scan log window: the rows it shows for what ScanStudio and others left
// in the log, refresh, clear and its failures, and the log's mode.

#include "logwindow.h"

#include "scan_log_line.h"
#include "shown_box.h"

#include <temp_folder.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;
using Rows = std::vector<std::vector<QString>>;

// A line as ScanStudio's log writer makes it.
std::string logLine(const std::vector<QString> &fields)
{
    Json::Value record(Json::objectValue);
    const char *const names[] = {scan_log::kUserName, scan_log::kComputerName, scan_log::kFileName,
                                 scan_log::kScanTime, scan_log::kScanResult};
    for (int i = 0; i < 5; ++i)
        record[names[i]] = fields[i].toStdString();
    return scan_log::formatLine(record);
}

const std::vector<QString> kAnn = {"ann", "desk-1", "/home/ann/taliroScan/taliro_24-05-01-10-00-00.pdf",
                                   "24-05-01-10-00-00", QString::fromUtf8("保存成功")};
const std::vector<QString> kBob = {"bob", "desk \"2\"", "/home/bob/a \"quoted\" \\ name.jpg", "24-05-02-11-30-00",
                                   QString::fromUtf8("未保存")};

mode_t modeOf(const std::string &path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class LogWindow : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_root.file("scan")); }

    std::string logPath() const { return m_root.file("scan/scanAppLog.log"); }
    void writeLog(const std::string &content) const { testsupport::writeText(logPath(), content); }
    std::string readLog() const { return testsupport::readText(logPath()); }

    std::unique_ptr<MainWindow> makeWindow() const
    {
        return std::make_unique<MainWindow>(nullptr, QString::fromStdString(m_root.dir()));
    }
    static QTableWidget *table(MainWindow &window) { return window.findChild<QTableWidget *>("showTable"); }
    static ShownBox press(MainWindow &window, const char *name)
    {
        return answerBox(QMessageBox::Ok, [&] { window.findChild<QPushButton *>(name)->click(); });
    }

    static Rows rows(MainWindow &window)
    {
        QTableWidget *shown = table(window);
        Rows result;
        for (int row = 0; row < shown->rowCount(); ++row) {
            result.emplace_back();
            for (int column = 0; column < shown->columnCount(); ++column) {
                const QTableWidgetItem *item = shown->item(row, column);
                result.back().push_back(item ? item->text() : QStringLiteral("<no item>"));
            }
        }
        return result;
    }
    static QStringList headers(MainWindow &window)
    {
        QTableWidget *shown = table(window);
        QStringList labels;
        for (int column = 0; column < shown->columnCount(); ++column) {
            const QTableWidgetItem *item = shown->horizontalHeaderItem(column);
            labels << (item ? item->text() : QStringLiteral("<none>"));
        }
        return labels;
    }

    TempFolder m_root;
};

const QStringList kChineseHeaders = {QString::fromUtf8("用户名"), QString::fromUtf8("计算机名"),
                                     QString::fromUtf8(" 文件名"), QString::fromUtf8("扫描日期"),
                                     QString::fromUtf8("扫描结果")};

TEST_F(LogWindow, ShowsTheRecordsUpToTheFirstLineThatIsNoObject)
{
    const std::string ann = logLine(kAnn);
    struct Case {
        const char *what;
        std::optional<std::string> log;  // nullopt: no file
        Rows rows;
    };
    const Case cases[] = {
        {"lines of ScanStudio's writer", ann + logLine(kBob), {kAnn, kBob}},
        {"empty log", "", {}},
        {"missing log", std::nullopt, {}},
        {"member missing", R"({"scanTime":"t","userName":"u"})" "\n", {{"u", "", "", "t", ""}}},
        {"members of other types", ann + R"({"fileName":{},"userName":5,"scanResult":"ok","scanTime":null})" "\n" + ann,
         {kAnn, {"", "", "", "", "ok"}, kAnn}},
        {"blank line", ann + ann + "\n" + ann, {kAnn, kAnn}},
        {"broken line", ann + "{broken\n" + ann, {kAnn}},
        {"number line", ann + "42\n" + ann, {kAnn}},
        {"array line", ann + "[]\n" + ann, {kAnn}},
        {"last line without a line break", ann + ann.substr(0, ann.size() - 1), {kAnn, kAnn}},
        {"overlong line", ann + ann.substr(0, ann.size() - 1) + std::string(scan_log_reader::kMaxLineLength, ' ') + "\n" + ann,
         {kAnn}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(logPath());
        if (c.log)
            writeLog(*c.log);
        auto window = makeWindow();
        EXPECT_EQ(headers(*window), kChineseHeaders);
        EXPECT_EQ(rows(*window), c.rows);
    }
}

TEST_F(LogWindow, OnlyTheFileNameColumnStretches)
{
    auto window = makeWindow();
    QHeaderView *header = table(*window)->horizontalHeader();
    for (int column = 0; column < 5; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(header->sectionResizeMode(column), column == 2 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    }
}

TEST_F(LogWindow, RefreshShowsTheLogAsItIsNow)
{
    writeLog(logLine(kAnn) + logLine(kBob));
    auto window = makeWindow();
    press(*window, "btn_refreash");
    press(*window, "btn_refreash");
    EXPECT_EQ(rows(*window), (Rows{kAnn, kBob}));

    writeLog(readLog() + logLine(kAnn));
    press(*window, "btn_refreash");
    EXPECT_EQ(rows(*window), (Rows{kAnn, kBob, kAnn}));

    // A log that went away is an empty log; one that cannot be read changes nothing.
    fs::remove(logPath());
    fs::create_directory(logPath());
    press(*window, "btn_refreash");
    EXPECT_EQ(rows(*window), (Rows{kAnn, kBob, kAnn}));
    fs::remove(logPath());
    press(*window, "btn_refreash");
    EXPECT_EQ(rows(*window), Rows{});
    EXPECT_EQ(headers(*window), kChineseHeaders);
}

TEST_F(LogWindow, ClearEmptiesTheFileAndTheTableThenTellsSo)
{
    writeLog(logLine(kAnn) + logLine(kBob));
    auto window = makeWindow();

    const ShownBox box = press(*window, "btn_clear");

    EXPECT_TRUE(fs::is_regular_file(logPath()));
    EXPECT_EQ(readLog(), "");
    EXPECT_EQ(rows(*window), Rows{});
    EXPECT_EQ(headers(*window), kChineseHeaders);
    EXPECT_EQ(box.title, QString::fromUtf8("提示"));
    EXPECT_EQ(box.text, QString::fromUtf8("清除成功"));
    EXPECT_EQ(box.buttons, QStringList{"OK"});

    // ScanStudio's next record is the first line.
    writeLog(logLine(kBob));
    press(*window, "btn_refreash");
    EXPECT_EQ(rows(*window), Rows{kBob});
}

TEST_F(LogWindow, ClearWithoutALogTellsSoEmptiesTheRowsAndMakesNoFile)
{
    writeLog(logLine(kAnn));
    auto window = makeWindow();
    fs::remove(logPath());

    const ShownBox box = press(*window, "btn_clear");

    EXPECT_EQ(box.text, QString::fromUtf8("清除成功"));
    EXPECT_EQ(rows(*window), Rows{});
    EXPECT_FALSE(fs::exists(fs::symlink_status(logPath())));
}

TEST_F(LogWindow, ClearThatCannotOpenTheLogWarnsAndChangesNothing)
{
    TempFolder outside;
    const std::string kept = logLine(kAnn);
    outside.write("target", kept);
    struct Case {
        const char *what;
        void (*make)(const std::string &log, const TempFolder &outside);
    };
    const Case cases[] = {
        {"folder", [](const std::string &log, const TempFolder &) { fs::create_directory(log); }},
        {"link", [](const std::string &log, const TempFolder &outside) {
             fs::create_symlink(outside.file("target"), log);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeLog(logLine(kAnn) + logLine(kBob));
        auto window = makeWindow();
        fs::remove(logPath());
        c.make(logPath(), outside);

        const ShownBox box = press(*window, "btn_clear");

        EXPECT_EQ(box.title, QString::fromUtf8("警告"));
        EXPECT_EQ(box.text, QString::fromUtf8("操作文件失败"));
        EXPECT_EQ(box.buttons, QStringList{"OK"});
        EXPECT_EQ(rows(*window), (Rows{kAnn, kBob}));
        EXPECT_EQ(outside.read("target"), kept);
        fs::remove(logPath());
    }
}

// Runs only inside tools/private-ns.sh (its own CTest entry), where the test
// may mount: the scan folder read-only, as for a user who may not write it.
TEST_F(LogWindow, ClearOnAReadOnlyFolderWarnsAndKeepsFileAndTable)
{
    if (!std::getenv("VIEWER_TEST_PRIVATE_MOUNTS"))
        GTEST_SKIP() << "needs a private mount namespace";
    const std::string scan = m_root.file("scan");
    const std::string content = logLine(kAnn) + logLine(kBob);
    writeLog(content);
    auto window = makeWindow();
    ASSERT_EQ(mount(scan.c_str(), scan.c_str(), nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(mount(nullptr, scan.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);

    const ShownBox box = press(*window, "btn_clear");
    umount(scan.c_str());

    EXPECT_EQ(box.text, QString::fromUtf8("操作文件失败"));
    EXPECT_EQ(readLog(), content);
    EXPECT_EQ(rows(*window), (Rows{kAnn, kBob}));
}

TEST_F(LogWindow, LogIsOpenedToAllUsersAtStartWithoutFollowingALink)
{
    writeLog(logLine(kAnn));
    chmod(logPath().c_str(), 0600);
    makeWindow();
    EXPECT_EQ(modeOf(logPath()), 0777u);

    TempFolder outside;
    outside.write("target", "");
    chmod(outside.file("target").c_str(), 0600);
    fs::remove(logPath());
    fs::create_symlink(outside.file("target"), logPath());
    makeWindow();
    EXPECT_EQ(modeOf(outside.file("target")), 0600u);

    // No log is made.
    fs::remove(logPath());
    makeWindow();
    EXPECT_FALSE(fs::exists(fs::symlink_status(logPath())));
}

TEST_F(LogWindow, CloseClosesTheWindow)
{
    auto window = makeWindow();
    window->show();
    window->findChild<QPushButton *>("btn_close")->click();
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
