// One status worker against a scripted bus and a stand-in lpstat: the status
// file it keeps, its poll decisions, its job watch and its write-back.

#include "fake_usb.h"
#include "monitor_test_config.h"
#include "status_reply.h"
#include "status_reply_builder.h"
#include "trd_get_printer_status.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>

namespace {

using usb_testing::FakeAnswer;
using usb_testing::FakeUsb;

bool Exists(const std::string& path)
{
    return Inode(path) != 0;
}

stPrinterManager Entry(const QString& name, int type, const QString& port, enPrinterStatus status)
{
    stPrinterManager entry;
    entry.info.strName = name;
    entry.info.strModel = QStringLiteral("Taliro TX 560MDW");
    entry.info.iConnectType = type;
    entry.info.strPort = port;
    entry.info.strURI = (type == 1 ? QStringLiteral("usb://") : QStringLiteral("socket://")) + port;
    entry.state.enCurrentStatus = status;
    entry.bPollEnabled = true;
    return entry;
}

const QString kUsbPort = QStringLiteral("Taliro/TX%20560MDW?serial=ABC123");

class StatusWorker : public ::testing::Test {
protected:
    void Use(const stPrinterManager& entry)
    {
        printers.printers = {entry};
        worker.Init(0, &printers);
        bool pollEnabled = false;
        ASSERT_TRUE(worker.LoadEntry(pollEnabled));
    }

    int Reply(const Bytes& bytes)
    {
        return worker.CheckPrinterStatus(bytes.data(), bytes.size());
    }

    MonitorTestBed bed;
    FakeUsb usb;
    SharedPrinterList printers;
    TrdGetPrinterStatus worker{bed.config(&usb)};
};

TEST_F(StatusWorker, StatusFileIsWrittenOncePerDistinctReply)
{
    Use(Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_OFFLINE));
    const std::string file = bed.cfgFile("N1.dat");
    StatusReplyContent content = SampleStatusReply();
    const Bytes first = BuildStatusReply(content);
    content.supplies[0] = NumberSupply(status_reply::kSupplyRemainingToner, 9949, 2);
    const Bytes second = BuildStatusReply(content);

    EXPECT_EQ(Reply(first), 0);
    EXPECT_EQ(bed.root.read("cfg/N1.dat"), std::string(first.begin(), first.end()));
    const ino_t written = Inode(file);
    EXPECT_EQ(Reply(first), 0);
    EXPECT_EQ(Inode(file), written) << "the same reply again, also right after the file was first written";
    EXPECT_EQ(Reply(second), 0);
    EXPECT_NE(Inode(file), written);
    EXPECT_EQ(bed.root.read("cfg/N1.dat"), std::string(second.begin(), second.end()));

    std::remove(file.c_str());
    EXPECT_EQ(Reply(second), 0);
    EXPECT_EQ(bed.root.read("cfg/N1.dat"), std::string(second.begin(), second.end())) << "a missing file comes back";

    // The parsed reply is the printer's state.
    const stPrinterState& state = worker.Entry().state;
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_PRINTING);
    EXPECT_EQ(state.dwRemainingToner, 9949u);
    EXPECT_EQ(state.listError, (QList<enErrorStatus>{ERR_FRONT_COVER_OPEN, ERR_TRAY_EMPTY}));
}

TEST_F(StatusWorker, UnparsableReplyIsKeptButLeavesTheState)
{
    Use(Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_BUSY));
    const Bytes garbage = {0xA5, 0x00, 0x05, 0x50, 0xE0, 0x74, 0x08, 0x00};
    EXPECT_EQ(Reply(garbage), -1);
    EXPECT_EQ(bed.root.read("cfg/N1.dat"), std::string(garbage.begin(), garbage.end()));
    EXPECT_EQ(worker.Entry().state.enCurrentStatus, PRINTER_STATUS_BUSY);
}

TEST_F(StatusWorker, NoStatusFileForAQueueTheManagerReplaced)
{
    Use(Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_OFFLINE));
    printers.printers[0] = Entry("N2", 2, "10.0.0.6", PRINTER_STATUS_OFFLINE);
    EXPECT_EQ(Reply(BuildStatusReply(SampleStatusReply())), 0);
    EXPECT_FALSE(Exists(bed.cfgFile("N1.dat")));

    // Nor does the copy go back over the new entry.
    worker.StoreEntry();
    EXPECT_EQ(printers.printers[0].info.strName, "N2");
    EXPECT_EQ(printers.printers[0].state.enCurrentStatus, PRINTER_STATUS_OFFLINE);
}

TEST_F(StatusWorker, QueueNameThatIsNoFileNameGetsNoStatusFile)
{
    // Only a hand-written printers.conf could hold such a name; cupsd refuses it.
    Use(Entry("../N1", 2, "10.0.0.5", PRINTER_STATUS_OFFLINE));
    EXPECT_EQ(Reply(BuildStatusReply(SampleStatusReply())), 0);
    EXPECT_EQ(worker.Entry().state.enCurrentStatus, PRINTER_STATUS_PRINTING);
    EXPECT_EQ(bed.root.names(), (std::set<std::string>{"cfg"}));
    EXPECT_TRUE(std::filesystem::is_empty(bed.cfgFile("")));
}

TEST_F(StatusWorker, WriteBackKeepsTheManagersPollFlag)
{
    Use(Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_OFFLINE));
    EXPECT_EQ(Reply(BuildStatusReply(SampleStatusReply())), 0);
    printers.printers[0].bPollEnabled = false;
    worker.StoreEntry();
    EXPECT_EQ(printers.printers[0].state.enCurrentStatus, PRINTER_STATUS_PRINTING);
    EXPECT_FALSE(printers.printers[0].bPollEnabled);
}

TEST_F(StatusWorker, UsbReplyIsKeptBehindSevenZeroBytes)
{
    const Bytes reply = BuildStatusReply(SampleStatusReply());
    const Bytes data(reply.begin() + 7, reply.end());
    auto printer = usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123");
    printer.controlAnswers[{0xA1, 0x33}] = FakeAnswer{0, data};
    usb.addDevice(printer);
    Use(Entry("Q1", 1, kUsbPort, PRINTER_STATUS_OFFLINE));

    worker.PollPrinter();
    const std::string expected = std::string(7, '\0') + std::string(data.begin(), data.end());
    EXPECT_EQ(bed.root.read("cfg/Q1.dat"), expected);
    EXPECT_EQ(worker.Entry().state.strProductName, "Taliro TX 560MDW");
    EXPECT_EQ(worker.Entry().state.strPrinterSerialNumber, "ABC123");

    // Unplugged: Off-line at the first poll, its status file gone.
    usb.device(0).productId = 0x5A04;
    worker.PollPrinter();
    EXPECT_EQ(worker.Entry().state.enCurrentStatus, PRINTER_STATUS_OFFLINE);
    EXPECT_FALSE(Exists(bed.cfgFile("Q1.dat")));
    EXPECT_TRUE(usb.leaks().empty());
}

TEST_F(StatusWorker, PollDecisionAndIntervalByConnectionStatusAndCups)
{
    struct Case {
        const char* what;
        stPrinterManager entry;
        const char* lpstatPrinter;
        bool poll;
        int interval;
        bool asksCups;
    };
    const Case cases[] = {
        {"USB, any status", Entry("Q1", 1, kUsbPort, PRINTER_STATUS_READY), "", true, 1500, false},
        {"network Off-line", Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_OFFLINE), "", true, 10000, false},
        {"network busy", Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_BUSY), "", true, 1000, false},
        {"network printing", Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_PRINTING), "", true, 1000, false},
        {"network Ready, CUPS printing", Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_READY),
         "printer N1 now printing N1-3.  enabled since Thu Dec 10 13:32:05 2026\n", true, 1000, true},
        {"network Ready, CUPS idle", Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_READY),
         "printer N1 is idle.  enabled since Thu Dec 10 13:32:05 2026\n", false, 100, true},
        {"network Ready, CUPS silent", Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_READY), "", false, 100, true},
    };
    for (const Case& c : cases) {
        Use(c.entry);
        bed.lpstat.setPrinterOutput(c.lpstatPrinter);
        const std::size_t callsBefore = bed.lpstat.calls().size();
        int interval = -1;
        EXPECT_EQ(worker.CheckNeedStatus(interval), c.poll) << c.what;
        EXPECT_EQ(interval, c.interval) << c.what;
        const std::vector<std::string> calls = bed.lpstat.calls();
        ASSERT_EQ(calls.size(), callsBefore + (c.asksCups ? 1 : 0)) << c.what;
        if (c.asksCups) {
            EXPECT_EQ(calls.back(), "-p N1") << c.what;
        }
    }

    // No printer at the worker's index: nothing to do for a second.
    printers.printers.clear();
    int interval = -1;
    EXPECT_FALSE(worker.CheckNeedStatus(interval));
    EXPECT_EQ(interval, 1000);
}

TEST_F(StatusWorker, JobCancelledWhilePrintingIsCancelledOnTheUsbPrinterOnce)
{
    usb.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123"));
    usb.device(0).controlAnswers[{0xA1, 0x34}] = FakeAnswer{0, {0x00}};
    Use(Entry("Q1", 1, kUsbPort, PRINTER_STATUS_READY));
    auto cancelRequests = [this] { return usb.callCount(usb_testing::UsbCall::ControlTransfer); };

    bed.lpstat.setJobOutput(testbed::jobListing("Q1-1", "job-canceled-by-user"));
    worker.CheckJobStatus();
    EXPECT_EQ(cancelRequests(), 0) << "never seen printing";

    bed.lpstat.setJobOutput(testbed::jobListing("Q1-2", "job-printing"));
    worker.CheckJobStatus();
    ASSERT_EQ(worker.Entry().listJob.size(), 1);
    EXPECT_EQ(worker.Entry().listJob[0].strJobId, "Q1-2");
    EXPECT_EQ(cancelRequests(), 0);

    bed.lpstat.setJobOutput(testbed::jobListing("Q1-2", "job-canceled-by-user"));
    worker.CheckJobStatus();
    worker.CheckJobStatus();
    EXPECT_EQ(cancelRequests(), 1);
    ASSERT_EQ(usb.controlRequests().size(), 1u);
    EXPECT_EQ(usb.controlRequests()[0].request, 0x34);
    EXPECT_EQ(usb.controlRequests()[0].length, 1017);
    EXPECT_TRUE(worker.Entry().listJob.isEmpty());
    EXPECT_TRUE(usb.leaks().empty());

    // The job check asks CUPS for the service user's view of the queue.
    EXPECT_EQ(bed.lpstat.calls().back(), "-u root -W all -l -o Q1");
}

TEST_F(StatusWorker, NetworkPrinterGetsNoCancelRequest)
{
    usb.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123"));
    Use(Entry("N1", 2, "10.0.0.5", PRINTER_STATUS_READY));
    bed.lpstat.setJobOutput(testbed::jobListing("N1-1", "job-printing"));
    worker.CheckJobStatus();
    bed.lpstat.setJobOutput(testbed::jobListing("N1-1", "job-canceled-by-user"));
    worker.CheckJobStatus();
    EXPECT_TRUE(usb.calls().empty());
}

}  // namespace
