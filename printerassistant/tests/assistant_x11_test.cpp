// Runs on an X server of 2560 x 1440 (xvfb-run) in a private namespace: the
// window's scaling on a wide desktop, and the real program started twice.

#include "assistant_test_files.h"
#include "child_process.h"
#include "desktop_scale.h"
#include "recording_cancel.h"
#include "recording_widget.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QHeaderView>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace assistant_test;

TEST(AssistantOnAWideDesktop, WindowTableAndColumnsGrowByWidthOver1920)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_EQ(DesktopWidth(), 2560);
    RecordingCancel cancel;
    testsupport::TempFolder root;
    const QString folder = QString::fromStdString(root.dir());
    RecordingWidget widget(AssistantPaths{folder, folder, folder});
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

    EXPECT_EQ(widget.size(), QSize(800, 400));
    EXPECT_EQ(widget.Table()->geometry(), QRect(26, 26, 746, 346));
    EXPECT_EQ(widget.Table()->columnWidth(0), 160);
    EXPECT_EQ(widget.Table()->columnWidth(1), 200);
    EXPECT_EQ(widget.Table()->columnWidth(2), 113);
    // The last column was set to 246 and stretches over the rest of the table.
    const QHeaderView* header = widget.Table()->horizontalHeader();
    EXPECT_GE(header->sectionSize(3), 246);
    EXPECT_EQ(header->length(), header->viewport()->width());
}

std::string Program()
{
    return PRINTERASSISTANT_PATH;
}

bool WaitForFile(const std::string& path, int ms = 20000)
{
    return QTest::qWaitFor([&] { return std::filesystem::exists(path); }, ms);
}

std::unique_ptr<testbed::ChildProcess> StartAssistant(const std::string& home, const char* platform,
                                                      const std::vector<std::string>& args = {})
{
    std::vector<std::string> argv = {"/usr/bin/env", "HOME=" + home, std::string("QT_QPA_PLATFORM=") + platform,
                                     Program()};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<testbed::ChildProcess>(argv);
}

TEST(AssistantProgram, ASecondStartBySameUserShowsTheBoxAndExitsZeroAnotherUserStarts)
{
    testsupport::TempFolder home;
    testsupport::TempFolder otherHome;
    const std::string lock = home.file(".taliro-q804-tool.lock");

    auto first = StartAssistant(home.path(), "offscreen", {"-HIDE"});
    ASSERT_TRUE(WaitForFile(lock)) << "the first start holds the user's lock";

    auto second = StartAssistant(home.path(), "xcb");
    std::string window;
    ASSERT_EQ(testbed::runProgram({"/usr/bin/timeout", "20", "xdotool", "search", "--sync", "--onlyvisible",
                                   "--name", "泰岚激光打印机助手"},
                                  25000, &window),
              0);
    window = window.substr(0, window.find('\n'));
    ASSERT_EQ(testbed::runProgram({"/usr/bin/xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers",
                                   "Return"},
                                  10000),
              0);
    EXPECT_EQ(second->waitExit(15000), 0);
    EXPECT_EQ(first->waitExit(0), -1) << "the first one runs on";

    auto other = StartAssistant(otherHome.path(), "offscreen", {"-hide"});
    EXPECT_TRUE(WaitForFile(otherHome.file(".taliro-q804-tool.lock"))) << "another user's start is not blocked";
    EXPECT_EQ(other->waitExit(0), -1);
}

}  // namespace
