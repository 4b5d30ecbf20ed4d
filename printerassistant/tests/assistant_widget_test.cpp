#include "appsetting.h"
#include "assistant_test_files.h"
#include "expected_texts.h"
#include "recording_cancel.h"
#include "recording_widget.h"
#include "temp_folder.h"
#include "trd_device_manage.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace {

using namespace assistant_test;

constexpr int kWaitMs = 8000;  // a list cycle and a status cycle, with room for a loaded machine

enum { kName, kConnection, kToner, kStatus };

// The threads of this process that a plain QThread runs: Qt names them after the class.
int RunningQThreads()
{
    int count = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        count += name == "QThread" ? 1 : 0;
    }
    return count;
}

// The window on a temporary install root, with a recording "cancel" first on
// the path so that no test reaches a CUPS.
class AssistantWindow : public ::testing::Test {
protected:
    QString Root() const { return QString::fromStdString(root.dir()); }
    void Start() { widget = std::make_unique<RecordingWidget>(AssistantPaths{Root(), Root(), Root()}); }
    bool WaitFor(const std::function<bool()>& condition, int ms = kWaitMs) { return QTest::qWaitFor(condition, ms); }
    bool WaitForCell(int row, int column, const QString& text)
    {
        return WaitFor([&] { return widget->Table()->rowCount() > row && widget->Cell(row, column) == text; });
    }

    RecordingCancel cancel;
    testsupport::TempFolder root;
    std::unique_ptr<RecordingWidget> widget;
};

TEST_F(AssistantWindow, LaysOutTheWindowTableAndTrayMenu)
{
    Start();
    EXPECT_EQ(widget->size(), QSize(600, 300));
    EXPECT_EQ(widget->windowTitle(), QStringLiteral("泰岚激光打印机助手"));
    EXPECT_FALSE(widget->windowFlags() & Qt::WindowMaximizeButtonHint);
    QTableWidget* table = widget->Table();
    EXPECT_EQ(table->geometry(), QRect(20, 20, 560, 260));
    EXPECT_EQ(table->font().pointSize(), 9);
    QStringList headers;
    for (int column = 0; column < table->columnCount(); ++column)
        headers.append(table->horizontalHeaderItem(column)->text());
    EXPECT_EQ(headers, (QStringList{QStringLiteral("打印机名称"), QStringLiteral("连接方式"),
                                    QStringLiteral("剩余碳粉量"), QStringLiteral("状态")}));
    EXPECT_EQ(table->columnWidth(0), 120);
    EXPECT_EQ(table->columnWidth(1), 150);
    EXPECT_EQ(table->columnWidth(2), 85);
    EXPECT_TRUE(table->horizontalHeader()->stretchLastSection());
    EXPECT_EQ(table->rowCount(), 0);

    EXPECT_EQ(widget->TrayIcon()->toolTip(), QStringLiteral("泰岚激光打印机助手"));
    EXPECT_FALSE(widget->TrayIcon()->icon().pixmap(16, 16).isNull()) << "the icon is built in";
    EXPECT_FALSE(widget->windowIcon().pixmap(16, 16).isNull());
    QStringList actions;
    for (const QAction* action : widget->TrayIcon()->contextMenu()->actions())
        actions.append(action->text());
    EXPECT_EQ(actions, (QStringList{QStringLiteral("显示主界面"), QStringLiteral("打印机更新助手"),
                                    QStringLiteral("设置"), QStringLiteral("退出")}));

    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    widget->close();
    EXPECT_FALSE(widget->isVisible()) << "the close button hides the window";
    widget->TrayIcon()->contextMenu()->actions().at(0)->trigger();
    EXPECT_TRUE(widget->isVisible());
}

TEST_F(AssistantWindow, ShowsConnectionTonerAndStatusOfEachPrinter)
{
    WritePrinterList(Root(), {Printer(QStringLiteral("T0"), 0, QStringLiteral("10.0.0.9")),
                              Printer(QStringLiteral("USB1"), 1, QStringLiteral("Taliro/TX%20560MDW?serial=A")),
                              Printer(QStringLiteral("N2"), 2, QStringLiteral("192.168.1.20"))});
    WriteSnapshot(Root(), QStringLiteral("T0"), Reply(kDeviceReady, {}, {}, 0));
    WriteSnapshot(Root(), QStringLiteral("USB1"), Reply(kDevicePrinting, {}, {0x110D}, 9950));
    WriteSnapshot(Root(), QStringLiteral("N2"), Reply(kDeviceReady, {0x1106, 0x11A0}, {0x110D}, 10000));
    Start();

    const QString rows[][4] = {
        {QStringLiteral("T0"), QStringLiteral("网络(10.0.0.9)"), QStringLiteral("0.00%"), QStringLiteral("就绪")},
        {QStringLiteral("USB1"), QStringLiteral("USB"), QStringLiteral("99.50%"), QStringLiteral("正在打印(碳粉不足)")},
        {QStringLiteral("N2"), QStringLiteral("网络(192.168.1.20)"), QStringLiteral("100.00%"),
         QStringLiteral("前盖已打开")},
    };
    for (int row = 0; row < 3; ++row) {
        ASSERT_TRUE(WaitForCell(row, kStatus, rows[row][kStatus])) << row << " shows " << widget->Cell(row, kStatus).toStdString();
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(widget->Cell(row, column), rows[row][column]) << row << "," << column;
    }

    // A renamed printer starts over: no snapshot for the new name yet.
    WritePrinterList(Root(), {Printer(QStringLiteral("T0"), 0, QStringLiteral("10.0.0.9")),
                              Printer(QStringLiteral("USB1-new"), 1, QStringLiteral("Taliro/TX%20560MDW?serial=A")),
                              Printer(QStringLiteral("N2"), 2, QStringLiteral("192.168.1.20"))});
    ASSERT_TRUE(WaitForCell(1, kName, QStringLiteral("USB1-new")));
    EXPECT_EQ(widget->Cell(1, kToner), QStringLiteral("0.00%"));
    EXPECT_EQ(widget->Cell(1, kStatus), QStringLiteral("脱机"));
    ASSERT_TRUE(WaitForCell(2, kStatus, QStringLiteral("前盖已打开"))) << "the others read their files again";
    EXPECT_EQ(widget->StatusWorkerCount(), 3);
}

// The device code of each status the printer can report, and of each error
// value that a device code maps to.
const std::map<int, unsigned char> kDeviceStatusOf = {{0, 4}, {3, 0}, {4, 1}, {5, 2}, {6, 3},
                                                      {8, 16}, {9, 17}, {10, 18}, {11, 19}};
const std::map<int, unsigned> kDeviceErrorOf = {
    {0, 0x1107}, {1, 0x1200}, {2, 0x1203}, {3, 0x2200}, {4, 0x0100}, {5, 0x1212}, {6, 0x1106},
    {10, 0x1109}, {11, 0x110D}, {12, 0x110E}, {13, 0x110F}, {14, 0x11EA}, {17, 0x1110}, {18, 0x1121},
    {19, 0x1111}, {20, 0x1122}, {21, 0x1112}, {22, 0x1126}, {23, 0x1115}, {24, 0x1130}, {25, 0x1140},
    {26, 0x2100}, {27, 0x2102}, {28, 0x2103}, {29, 0x1132}, {30, 0x11A0}, {31, 0x11A1}, {32, 0x11A2},
    {33, 0x1133}, {34, 0x11B0}, {35, 0x11C0}, {36, 0x11D0}, {37, 0x11E0}, {38, 0x0110}, {39, 0x4211},
    {40, 0x4213}, {41, 0x4214}, {42, 0x4100}, {43, 0xE100}, {44, 0x5000}};

TEST_F(AssistantWindow, EveryReportedStatusAndErrorShowsItsText)
{
    QList<stPrinterInfo> printers;
    QStringList expected;
    for (const StatusRow& row : kStatusRows) {
        const QString name = QStringLiteral("S%1").arg(row.value);
        printers.append(Printer(name, 1, name));
        expected.append(QString::fromUtf8(row.chinese));
        const auto device = kDeviceStatusOf.find(row.value);
        if (device != kDeviceStatusOf.end())
            WriteSnapshot(Root(), name, Reply(device->second));
        else if (row.value != PRINTER_STATUS_OFFLINE)
            expected.back() = QStringLiteral("脱机");  // no device code gives it; the table test covers it
    }
    for (const ErrorRow& row : kErrorRows) {
        const auto device = kDeviceErrorOf.find(row.value);
        if (device == kDeviceErrorOf.end())
            continue;  // no device code gives it; the table test covers it
        const QString name = QStringLiteral("E%1").arg(row.value);
        printers.append(Printer(name, 1, name));
        expected.append(QString::fromUtf8(row.chinese));
        WriteSnapshot(Root(), name, Reply(kDeviceReady, {device->second}));
    }
    WritePrinterList(Root(), printers);
    Start();

    for (int row = 0; row < printers.size(); ++row)
        EXPECT_TRUE(WaitForCell(row, kStatus, expected[row]))
            << printers[row].strName.toStdString() << " shows " << widget->Cell(row, kStatus).toStdString();
}

TEST_F(AssistantWindow, BalloonsRepeatAtEveryChangeWhileAnErrorOrWarningStands)
{
    WritePrinterList(Root(), {Printer(QStringLiteral("E"), 1, QStringLiteral("e")),
                              Printer(QStringLiteral("W"), 1, QStringLiteral("w")),
                              Printer(QStringLiteral("R"), 1, QStringLiteral("r")),
                              Printer(QStringLiteral("N"), 1, QStringLiteral("n"))});
    WriteSnapshot(Root(), QStringLiteral("E"), Reply(kDevicePrinting, {0x1106, 0x11A0}, {0x110D}, 5000));
    WriteSnapshot(Root(), QStringLiteral("W"), Reply(kDevicePrinting, {}, {0x110D, 0x1106}, 5000));
    WriteSnapshot(Root(), QStringLiteral("R"), Reply(kDeviceReady, {}, {0x110D}, 5000));
    WriteSnapshot(Root(), QStringLiteral("N"), Reply(kDeviceReady, {}, {}, 5000));
    Start();
    ASSERT_TRUE(WaitForCell(0, kStatus, QStringLiteral("前盖已打开")));
    ASSERT_TRUE(WaitForCell(1, kStatus, QStringLiteral("正在打印(碳粉不足)")));
    ASSERT_TRUE(WaitForCell(2, kStatus, QStringLiteral("就绪")));
    ASSERT_TRUE(WaitForCell(3, kStatus, QStringLiteral("就绪")));
    ASSERT_TRUE(WaitFor([&] { return widget->BalloonsFor(QStringLiteral("R")).size() == 1; }));

    auto expectBalloons = [&](const char* title, std::size_t count, const QString& message,
                              QSystemTrayIcon::MessageIcon icon) {
        const std::vector<Balloon> balloons = widget->BalloonsFor(QString::fromLatin1(title));
        ASSERT_EQ(balloons.size(), count) << title;
        for (const Balloon& balloon : balloons) {
            EXPECT_EQ(balloon.message, message) << title;
            EXPECT_EQ(balloon.icon, icon) << title;
            EXPECT_EQ(balloon.ms, 3000) << title;
        }
    };
    expectBalloons("E", 1, QStringLiteral("前盖已打开"), QSystemTrayIcon::Critical);
    expectBalloons("W", 1, QStringLiteral("碳粉不足"), QSystemTrayIcon::Warning);
    expectBalloons("R", 1, QStringLiteral("碳粉不足"), QSystemTrayIcon::Warning);
    expectBalloons("N", 0, QString(), QSystemTrayIcon::NoIcon);

    // A toner change alone, while the error stands, raises the balloon again.
    WriteSnapshot(Root(), QStringLiteral("E"), Reply(kDevicePrinting, {0x1106, 0x11A0}, {0x110D}, 4900));
    ASSERT_TRUE(WaitForCell(0, kToner, QStringLiteral("49.00%")));
    expectBalloons("E", 2, QStringLiteral("前盖已打开"), QSystemTrayIcon::Critical);
    // Once the codes are gone a change raises none.
    WriteSnapshot(Root(), QStringLiteral("W"), Reply(kDevicePrinting, {}, {}, 4900));
    ASSERT_TRUE(WaitForCell(1, kStatus, QStringLiteral("正在打印")));
    expectBalloons("W", 1, QStringLiteral("碳粉不足"), QSystemTrayIcon::Warning);
}

TEST_F(AssistantWindow, ARegrownIndexKeepsItsOneWorkerAndCancelsOnce)
{
    const QList<stPrinterInfo> two = {Printer(QStringLiteral("A"), 1, QStringLiteral("a")),
                                      Printer(QStringLiteral("B"), 1, QStringLiteral("b"))};
    WriteSnapshot(Root(), QStringLiteral("B"), Reply(kDevicePrinting, {}, {}, 100));
    WritePrinterList(Root(), two);
    Start();
    ASSERT_TRUE(WaitForCell(1, kStatus, QStringLiteral("正在打印")));
    ASSERT_EQ(widget->StatusWorkerCount(), 2);

    // The list shrinks to one printer and grows back (the list reader sees the
    // file's two printers again at its next cycle).
    widget->PrinterList().Replace(assistant::TrdDeviceManage::GetInitPrinterList({two[0]}));
    widget->SlotUpdatePrinterList();
    ASSERT_EQ(widget->Table()->rowCount(), 1);
    ASSERT_TRUE(WaitFor([&] { return widget->Table()->rowCount() == 2; }));
    EXPECT_EQ(widget->StatusWorkerCount(), 2);

    ASSERT_TRUE(WaitForCell(1, kStatus, QStringLiteral("正在打印")));
    WriteSnapshot(Root(), QStringLiteral("B"), Reply(kDeviceCanceling, {}, {}, 100));
    ASSERT_TRUE(WaitForCell(1, kStatus, QStringLiteral("正在取消任务")));
    EXPECT_EQ(cancel.Calls(), (std::vector<std::vector<std::string>>{{"B"}}));
}

TEST_F(AssistantWindow, QuitEndsTheThreadsOfTheListReaderAndFourStatusReaders)
{
    QList<stPrinterInfo> printers;
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("P%1").arg(i);
        printers.append(Printer(name, 1, name));
        WriteSnapshot(Root(), name, Reply(kDeviceReady));
    }
    WritePrinterList(Root(), printers);
    const int before = RunningQThreads();
    Start();
    for (int row = 0; row < 4; ++row)
        ASSERT_TRUE(WaitForCell(row, kStatus, QStringLiteral("就绪")));
    ASSERT_EQ(RunningQThreads(), before + 5);
    widget->show();
    widget->TrayIcon()->contextMenu()->show();

    QTimer::singleShot(0, [&] { widget->TrayIcon()->contextMenu()->actions().last()->trigger(); });
    QApplication::exec();
    EXPECT_FALSE(widget->isVisible());
    EXPECT_FALSE(widget->TrayIcon()->isVisible());
    widget.reset();
    // A loop that never learnt to stop would keep its thread running.
    EXPECT_TRUE(WaitFor([&] { return RunningQThreads() == before; }))
        << RunningQThreads() - before << " worker threads still run";
}

TEST_F(AssistantWindow, StartsTheFirmwareUpdaterDetached)
{
    // The stand-in updater records its process, then lives until released.
    std::filesystem::create_directories(root.file("bin"));
    root.write("bin/FirmwareUpdater",
               "#!/bin/sh\n"
               "cd \"$(dirname \"$0\")\"\n"
               "echo $$ > started.new && mv started.new started\n"
               "i=0; while [ ! -e release ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done\n"
               "echo done > finished\n");
    ::chmod(root.file("bin/FirmwareUpdater").c_str(), 0755);
    Start();
    widget->TrayIcon()->contextMenu()->actions().at(1)->trigger();
    ASSERT_TRUE(WaitFor([&] { return !root.read("bin/started").empty(); }));
    const pid_t updater = std::stoi(root.read("bin/started"));

    std::ifstream stat("/proc/" + std::to_string(updater) + "/stat");
    std::string pid, command, state;
    long parent = 0, group = 0, session = 0;
    stat >> pid >> command >> state >> parent >> group >> session;
    EXPECT_NE(parent, static_cast<long>(::getpid())) << "not a child of the assistant";
    EXPECT_NE(session, static_cast<long>(::getsid(0))) << "in a session of its own";

    widget.reset();
    EXPECT_EQ(::kill(updater, 0), 0) << "the updater outlives the window";
    root.write("bin/release", "");
    EXPECT_TRUE(WaitFor([&] { return root.read("bin/finished") == "done\n"; }));
}

}  // namespace
