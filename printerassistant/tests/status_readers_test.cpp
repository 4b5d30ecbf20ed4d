#include "assistant_test_files.h"
#include "recording_cancel.h"
#include "shared_printer_list.h"
#include "temp_folder.h"
#include "trd_device_manage.h"
#include "trd_get_printer_status.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <filesystem>
#include <stdexcept>

namespace {

using assistant::SharedPrinterList;
using assistant::stPrinterManager;
using assistant::TrdDeviceManage;
using assistant::TrdGetPrinterStatus;
using namespace assistant_test;

QString Root(const testsupport::TempFolder& folder)
{
    return QString::fromStdString(folder.dir());
}

TEST(TrdDeviceManage, RebuildsOnlyWhenTheCountANameOrAPortChanges)
{
    testsupport::TempFolder folder;
    SharedPrinterList list;
    TrdDeviceManage manager(Root(folder));
    manager.Init(&list);
    QSignalSpy rebuilt(&manager, &TrdDeviceManage::SgnUpdatePrinterList);

    EXPECT_FALSE(manager.RefreshPrinterList()) << "no file leaves the empty list";

    const stPrinterInfo a = Printer(QStringLiteral("A"), 1, QStringLiteral("Taliro/TX%20560MDW?serial=1"));
    const stPrinterInfo b = Printer(QStringLiteral("B"), 2, QStringLiteral("127.0.0.2"),
                                    QStringLiteral("socket://127.0.0.2:9100"));
    auto with = [](stPrinterInfo info, auto change) {
        change(info);
        return info;
    };
    struct Step {
        const char* what;
        QList<stPrinterInfo> printers;
        bool rebuilds;
    };
    const Step steps[] = {
        {"first list", {a, b}, true},
        {"same list", {a, b}, false},
        {"URI only", {a, with(b, [](stPrinterInfo& p) { p.strURI = QStringLiteral("socket://127.0.0.2"); })}, false},
        {"model only", {with(a, [](stPrinterInfo& p) { p.strModel = QStringLiteral("x"); }), b}, false},
        {"connection type only", {with(a, [](stPrinterInfo& p) { p.iConnectType = 2; }), b}, false},
        {"a port", {a, with(b, [](stPrinterInfo& p) { p.strPort = QStringLiteral("127.0.0.3"); })}, true},
        {"a name", {with(a, [](stPrinterInfo& p) { p.strName = QStringLiteral("A2"); }), b}, true},
        {"one printer fewer", {a}, true},
        {"none", {}, true},
    };
    int rebuilds = 0;
    for (const Step& step : steps) {
        // Every entry is set off-line first so that a rebuild shows.
        QList<stPrinterManager> entries = list.Entries();
        for (stPrinterManager& entry : entries)
            entry.stState.enCurrentStatus = PRINTER_STATUS_READY;
        list.Replace(entries);

        WritePrinterList(Root(folder), step.printers);
        EXPECT_EQ(manager.RefreshPrinterList(), step.rebuilds) << step.what;
        rebuilds += step.rebuilds ? 1 : 0;
        EXPECT_EQ(rebuilt.count(), rebuilds) << step.what;
        ASSERT_EQ(list.Size(), step.printers.size()) << step.what;
        for (const stPrinterManager& entry : list.Entries()) {
            EXPECT_EQ(entry.stState.enCurrentStatus, step.rebuilds ? PRINTER_STATUS_OFFLINE : PRINTER_STATUS_READY)
                << step.what;
        }
    }
}

TEST(SharedPrinterList, WritesBackOnlyOverTheSamePrinter)
{
    SharedPrinterList list;
    list.Replace(TrdDeviceManage::GetInitPrinterList({Printer(QStringLiteral("A"), 1, QStringLiteral("p"))}));
    stPrinterManager entry;
    ASSERT_TRUE(list.CopyEntry(0, entry));
    EXPECT_FALSE(list.CopyEntry(1, entry));
    EXPECT_FALSE(list.CopyEntry(-1, entry));
    entry.stState.enCurrentStatus = PRINTER_STATUS_READY;

    stPrinterState previous;
    stPrinterManager otherUri = entry;
    otherUri.stInfo.strURI = QStringLiteral("usb://other");
    EXPECT_FALSE(list.WriteBackSamePrinter(0, otherUri, previous));
    stPrinterManager otherName = entry;
    otherName.stInfo.strName = QStringLiteral("B");
    EXPECT_FALSE(list.WriteBackSamePrinter(0, otherName, previous));
    EXPECT_FALSE(list.WriteBackSamePrinter(1, entry, previous));
    EXPECT_EQ(list.Entries()[0].stState.enCurrentStatus, PRINTER_STATUS_OFFLINE);

    ASSERT_TRUE(list.WriteBackSamePrinter(0, entry, previous));
    EXPECT_EQ(previous.enCurrentStatus, PRINTER_STATUS_OFFLINE);
    EXPECT_EQ(list.Entries()[0].stState.enCurrentStatus, PRINTER_STATUS_READY);
}

// One printer "Q1" at index 0 and its status reader, driven cycle by cycle.
class StatusReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.Replace(TrdDeviceManage::GetInitPrinterList({Printer(QStringLiteral("Q1"), 1, QStringLiteral("p"))}));
        reader.Init(0, &list);
    }

    stPrinterState State() const { return list.Entries().at(0).stState; }
    void Write(const Bytes& bytes) { WriteSnapshot(Root(folder), QStringLiteral("Q1"), bytes); }

    testsupport::TempFolder folder;
    SharedPrinterList list;
    TrdGetPrinterStatus reader{Root(folder)};
    QSignalSpy changes{&reader, &TrdGetPrinterStatus::SgnUpdatePrinterStatus};
};

TEST_F(StatusReader, ParsesTheSnapshotAndReportsOnlyChanges)
{
    Write(BuildStatusReply(SampleStatusReply()));
    reader.UpdatePrinterStatus();
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toInt(), 0);
    const stPrinterState state = State();
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_PRINTING);
    EXPECT_EQ(state.listError, (QList<enErrorStatus>{ERR_FRONT_COVER_OPEN, ERR_TRAY_EMPTY}));
    EXPECT_EQ(state.listWarning, QList<enErrorStatus>{ERR_TONER_LOW});
    EXPECT_EQ(state.iNumberOfError, 2);
    EXPECT_EQ(state.dwRemainingToner, 9950u);
    EXPECT_EQ(state.strPrinterSerialNumber, QStringLiteral("ABC123"));
    EXPECT_EQ(state.strSupplySerialNumber, QStringLiteral("S001"));

    reader.UpdatePrinterStatus();
    EXPECT_EQ(reader.GetPrinterStatusFile(QStringLiteral("Q1"), false), 1) << "unchanged file is not read";
    EXPECT_EQ(changes.count(), 1);

    // A rewrite with other bytes that leave the compared fields alone is read but no change.
    StatusReplyContent firmware = SampleStatusReply();
    firmware.firmware = "2.0.0";
    Write(BuildStatusReply(firmware));
    EXPECT_EQ(reader.GetPrinterStatusFile(QStringLiteral("Q1"), false), 0);
    reader.UpdatePrinterStatus();
    EXPECT_EQ(changes.count(), 1);

    Write(Reply(kDeviceReady, {}, {}, 9949));
    reader.UpdatePrinterStatus();
    EXPECT_EQ(changes.count(), 2) << "a toner change alone is a change";
}

TEST_F(StatusReader, ElevenMissesInARowTurnThePrinterOffLineKeepingTheToner)
{
    Write(Reply(kDeviceReady, {0x1106}, {0x110D}, 4200));
    reader.UpdatePrinterStatus();
    ASSERT_EQ(State().enCurrentStatus, PRINTER_STATUS_READY);
    RemoveSnapshot(Root(folder), QStringLiteral("Q1"));

    for (int miss = 1; miss <= 10; ++miss) {
        reader.UpdatePrinterStatus();
        EXPECT_EQ(State().enCurrentStatus, PRINTER_STATUS_READY) << miss;
        EXPECT_EQ(State().iFailCount, miss);
    }
    reader.UpdatePrinterStatus();
    const stPrinterState state = State();
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_OFFLINE);
    EXPECT_TRUE(state.listError.isEmpty());
    EXPECT_TRUE(state.listWarning.isEmpty());
    EXPECT_EQ(state.iNumberOfError, 0);
    EXPECT_EQ(state.iNumberOfWarning, 0);
    EXPECT_EQ(state.iFailCount, 0);
    EXPECT_EQ(state.dwRemainingToner, 4200u);
    EXPECT_EQ(changes.count(), 2) << "the first read and the turn to Off-line";

    // Off-line forces the read: the same file back is read at once.
    Write(Reply(kDeviceReady, {}, {}, 4200));
    reader.UpdatePrinterStatus();
    EXPECT_EQ(State().enCurrentStatus, PRINTER_STATUS_READY);
}

TEST_F(StatusReader, AnUnparsableSnapshotCountsOneMissUntilItChanges)
{
    Write(Reply(kDeviceReady));
    reader.UpdatePrinterStatus();
    Write(Bytes(7, 0));
    for (int cycle = 0; cycle < 3; ++cycle)
        reader.UpdatePrinterStatus();
    EXPECT_EQ(State().iFailCount, 1);
    EXPECT_EQ(State().enCurrentStatus, PRINTER_STATUS_READY);

    // While Off-line the same damaged file is read, and missed, every cycle.
    QList<stPrinterManager> entries = list.Entries();
    entries[0].stState.enCurrentStatus = PRINTER_STATUS_OFFLINE;
    list.Replace(entries);
    for (int cycle = 0; cycle < 3; ++cycle)
        reader.UpdatePrinterStatus();
    EXPECT_EQ(State().iFailCount, 4);
}

class ThrowingReader : public TrdGetPrinterStatus {
public:
    using TrdGetPrinterStatus::TrdGetPrinterStatus;

protected:
    qint64 ReadSnapshot(QFile&, char*, qint64) override { throw std::runtime_error("read failed"); }
};

TEST(TrdGetPrinterStatus, AReadThatThrowsIsAFailedRead)
{
    testsupport::TempFolder folder;
    SharedPrinterList list;
    list.Replace(TrdDeviceManage::GetInitPrinterList({Printer(QStringLiteral("Q1"), 1, QStringLiteral("p"))}));
    WriteSnapshot(Root(folder), QStringLiteral("Q1"), Reply(kDeviceReady, {}, {}, 100));
    ThrowingReader reader(Root(folder));
    reader.Init(0, &list);
    QSignalSpy changes(&reader, &TrdGetPrinterStatus::SgnUpdatePrinterStatus);

    EXPECT_EQ(reader.GetPrinterStatusFile(QStringLiteral("Q1"), true), -1);
    reader.UpdatePrinterStatus();
    const stPrinterState state = list.Entries().at(0).stState;
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_OFFLINE);
    EXPECT_EQ(state.dwRemainingToner, 0u);
    EXPECT_EQ(state.iFailCount, 1);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(StatusReader, IdlesWhileTheListHasNoEntryAtItsIndex)
{
    Write(Reply(kDeviceReady));
    list.Replace({});
    reader.UpdatePrinterStatus();
    EXPECT_EQ(changes.count(), 0);
    list.Replace(TrdDeviceManage::GetInitPrinterList({Printer(QStringLiteral("Q1"), 1, QStringLiteral("p"))}));
    reader.UpdatePrinterStatus();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(State().enCurrentStatus, PRINTER_STATUS_READY);
}

TEST(TrdGetPrinterStatus, CancelsOncePerTurnToCancelingWithTheQueueAsOneArgument)
{
    RecordingCancel cancel;
    testsupport::TempFolder folder;
    // A shell that read the name would leave files in the working folder.
    testsupport::TempFolder trace;
    const std::string oldFolder = std::filesystem::current_path();
    std::filesystem::current_path(trace.path());
    const QString shellName = QStringLiteral("Q;touch${IFS}x;$(touch${IFS}y)`touch${IFS}z`|touch${IFS}w");
    std::uint64_t toner = 0;
    for (const QString& queue : {QStringLiteral("Q1"), shellName}) {
        SharedPrinterList list;
        list.Replace(TrdDeviceManage::GetInitPrinterList({Printer(queue, 1, QStringLiteral("p"))}));
        TrdGetPrinterStatus reader(Root(folder));
        reader.Init(0, &list);
        const std::size_t before = cancel.Calls().size();
        for (unsigned char status : {kDevicePrinting, kDeviceCanceling, kDeviceCanceling, kDeviceReady,
                                     kDeviceCanceling}) {
            // The toner moves each time, so that a status that stays is still a change.
            WriteSnapshot(Root(folder), queue, Reply(status, {}, {}, ++toner));
            reader.UpdatePrinterStatus();
        }
        const auto calls = cancel.Calls();
        ASSERT_EQ(calls.size() - before, 2u) << queue.toStdString();
        for (std::size_t i = before; i < calls.size(); ++i)
            EXPECT_EQ(calls[i], std::vector<std::string>{queue.toStdString()});
    }
    std::filesystem::current_path(oldFolder);
    EXPECT_TRUE(trace.names().empty()) << "a shell ran part of the queue name";
}

TEST(TrdGetPrinterStatus, ItsLoopTurnsADeletedSnapshotOffLineAfterElevenSecondsWithOneReport)
{
    testsupport::TempFolder folder;
    SharedPrinterList list;
    list.Replace(TrdDeviceManage::GetInitPrinterList({Printer(QStringLiteral("Q1"), 1, QStringLiteral("p"))}));
    WriteSnapshot(Root(folder), QStringLiteral("Q1"), Reply(kDeviceReady, {}, {0x110D}, 9950));

    auto* reader = new TrdGetPrinterStatus(Root(folder));
    reader->Init(0, &list);
    QThread thread;
    reader->moveToThread(&thread);
    QObject::connect(&thread, &QThread::started, reader, &TrdGetPrinterStatus::SlotTaskStart);
    QSignalSpy changes(reader, &TrdGetPrinterStatus::SgnUpdatePrinterStatus);
    thread.start();

    ASSERT_TRUE(changes.wait(5000));
    ASSERT_EQ(list.Entries()[0].stState.enCurrentStatus, PRINTER_STATUS_READY);
    RemoveSnapshot(Root(folder), QStringLiteral("Q1"));
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(changes.wait(20000));
    const qint64 elapsed = timer.elapsed();
    EXPECT_GE(elapsed, 9500);
    EXPECT_LT(elapsed, 16000);
    EXPECT_EQ(changes.count(), 2);
    const stPrinterState state = list.Entries()[0].stState;
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_OFFLINE);
    EXPECT_TRUE(state.listWarning.isEmpty());
    EXPECT_EQ(state.dwRemainingToner, 9950u);

    reader->SlotThreadQuit();
    thread.quit();
    ASSERT_TRUE(thread.wait(2000));
    delete reader;
}

}  // namespace
