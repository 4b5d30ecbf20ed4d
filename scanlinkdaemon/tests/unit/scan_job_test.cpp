// Scan jobs through the command server (jobs run in the test process):
// start replies, progress records, page files, abort and file deletion.

#include "scan_job.h"
#include "server_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

class ScanJobTest : public ServerFixture {
protected:
    int32_t firstDevice()
    {
        int32_t count = 0;
        std::vector<USBFindDevRes> devices;
        EXPECT_TRUE(client.findDevices(0x2f7a, 0, false, count, devices));
        EXPECT_EQ(count, 1);
        return devices.empty() ? -1 : devices[0].fd;
    }

    // Starts a USB scan and gives the start reply's result and base.
    std::pair<int32_t, std::string> startUsbScan(int32_t devfd)
    {
        USBCommonReq request{devfd};
        USBScanStartRes reply;
        EXPECT_TRUE(client.sendRequest(USB_SCAN_START, request));
        EXPECT_TRUE(client.receiveReply(reply, 2000));
        return {reply.result, reply.fileName};
    }

    std::pair<int32_t, std::string> startNetworkScan()
    {
        TCPScanStartReq request;
        zeroRecord(request);
        copyText(request.socket.szScannerIP, "127.0.0.2");
        TCPScanStartRes reply;
        EXPECT_TRUE(client.sendRequest(TCP_SCAN_START, request));
        EXPECT_TRUE(client.receiveReply(reply, 2000));
        return {reply.result, reply.fileName};
    }

    // The records of the job up to its last one (the first whose result is not
    // 0), as "st/fileIndex/dataSize/result" for USB jobs or
    // "result/bufferLen/fileIndex/st" for network jobs; then nothing more came.
    std::vector<std::string> records(JobKind kind)
    {
        std::vector<std::string> result;
        for (;;) {
            int32_t fields[4];
            if (!client.receiveBytes(fields, sizeof fields, 2000)) {
                ADD_FAILURE() << "the job ended without its last record";
                break;
            }
            result.push_back(std::to_string(fields[0]) + "/" + std::to_string(fields[1]) + "/" +
                             std::to_string(fields[2]) + "/" + std::to_string(fields[3]));
            if ((kind == JobKind::Usb ? fields[3] : fields[0]) != kSaneGood)
                break;
        }
        EXPECT_TRUE(client.checkpoint());
        return result;
    }

    std::string base(int job) const { return folder.dir() + "taliroscandata_4711_" + std::to_string(job); }
    std::string page(int job, int k) const
    {
        return "taliroscandata_4711_" + std::to_string(job) + "_" + std::to_string(k) + ".tmp";
    }
};

const char kTwoPageJob[] = R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
job
block 9 0
block 0 0 4096 0xAB
block 7 0
block 9 0
blockhex 0 0 00010203040506070809
block 7 0
block 1 5
)";

TEST_F(ScanJobTest, TwoPageUsbJobWritesBothPagesAndCountsPagesInFileIndex)
{
    start(kTwoPageJob);
    const auto [result, base0] = startUsbScan(firstDevice());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(base0, base(0));
    EXPECT_EQ(records(JobKind::Usb), (std::vector<std::string>{"9/0/0/0", "0/1/4096/0", "7/1/0/0", "9/1/0/0", "0/2/10/0",
                                                   "7/2/0/0", "1/2/0/5"}));
    EXPECT_EQ(folder.names(), (std::set<std::string>{page(0, 0), page(0, 1)}));
    EXPECT_EQ(folder.read(page(0, 0)), std::string(4096, '\xAB'));
    EXPECT_EQ(folder.read(page(0, 1)), std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10));
}

TEST_F(ScanJobTest, UsbAndNetworkStartsShareOneJobCounterThatFailedStartsUseUp)
{
    start(R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
result start 0 3 0
job
block 9 0
block 1 5
)");
    const int32_t devfd = firstDevice();
    EXPECT_EQ(startUsbScan(devfd), std::make_pair(0, base(0)));
    EXPECT_EQ(records(JobKind::Usb), (std::vector<std::string>{"9/0/0/0", "1/1/0/5"}));
    EXPECT_EQ(startUsbScan(devfd), std::make_pair(3, base(1)));
    EXPECT_TRUE(client.checkpoint()) << "records of a job that did not run";
    EXPECT_EQ(startNetworkScan(), std::make_pair(0, base(2)));
    EXPECT_EQ(records(JobKind::Network), (std::vector<std::string>{"0/0/0/9", "5/0/1/1"}));
    EXPECT_EQ(folder.names(), (std::set<std::string>{page(0, 0), page(2, 0)}));
}

struct FirstBlockCase {
    const char* name;
    const char* blocks;
    std::vector<std::string> records;
    std::string page0;
};

void PrintTo(const FirstBlockCase& c, std::ostream* out) { *out << c.name; }


class NetworkFirstBlockTest : public ScanJobTest, public ::testing::WithParamInterface<FirstBlockCase> {};

TEST_P(NetworkFirstBlockTest, NetworkJobsFirstBlockAlwaysBeginsPageZero)
{
    start(std::string("job\n") + GetParam().blocks);
    EXPECT_EQ(startNetworkScan().first, 0);
    EXPECT_EQ(records(JobKind::Network), GetParam().records);
    EXPECT_EQ(folder.names(), std::set<std::string>{page(0, 0)});
    EXPECT_EQ(folder.read(page(0, 0)), GetParam().page0);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, NetworkFirstBlockTest,
    ::testing::Values(FirstBlockCase{"DataBlockIsStoredInPageZero", "blockhex 0 0 414243\nblock 1 5\n",
                                     {"0/3/0/9", "5/0/1/1"}, "ABC"},
                      FirstBlockCase{"FailedFirstReadLeavesAnEmptyPageZero", "block 0 9\n", {"9/0/0/9"}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScanJobTest, UsbPayloadBeforeAnyPageIsNotStoredButItsRecordIsSent)
{
    start(R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
job
blockhex 0 0 414243
block 9 0
blockhex 0 0 44
block 1 5
)");
    startUsbScan(firstDevice());
    EXPECT_EQ(records(JobKind::Usb), (std::vector<std::string>{"0/0/3/0", "9/0/0/0", "0/1/1/0", "1/1/0/5"}));
    EXPECT_EQ(folder.names(), std::set<std::string>{page(0, 0)});
    EXPECT_EQ(folder.read(page(0, 0)), "D");
}

TEST_F(ScanJobTest, PageFileThatCannotBeCreatedEndsTheJobWithAccessDenied)
{
    start(kTwoPageJob, "/nonexistent-scan-folder/");
    startUsbScan(firstDevice());
    EXPECT_EQ(records(JobKind::Usb), std::vector<std::string>{"0/0/0/11"});
    startNetworkScan();
    EXPECT_EQ(records(JobKind::Network), std::vector<std::string>{"11/0/0/0"});
}

TEST_F(ScanJobTest, DataProcessThatCannotBeCreatedAnswersNoMemory)
{
    start(kTwoPageJob);
    dataProcess.failStarts();
    const int32_t devfd = firstDevice();
    EXPECT_EQ(startUsbScan(devfd), std::make_pair(10, base(0)));
    EXPECT_EQ(startNetworkScan(), std::make_pair(10, base(1)));
    EXPECT_TRUE(client.checkpoint()) << "records of a job that did not run";
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(ScanJobTest, AbortStopsTheJobDeletesOnlyItsPagesAndRepliesTheDeviceAbortResult)
{
    start(R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
result abort -1
result netabort 9
)");
    const int32_t devfd = firstDevice();
    // What had happened when the job was stopped: the device abort, but neither deletion nor reply.
    std::vector<std::string> atStop;
    dataProcess.onStop([&] {
        pollfd reply{client.fd(), POLLIN, 0};
        atStop.push_back("device aborts " + std::to_string(scanner.calls("abort") + scanner.calls("netabort")) +
                         (folder.names().count(page(1, 0)) ? ", pages kept" : ", pages deleted") +
                         (poll(&reply, 1, 0) > 0 ? ", replied" : ", not replied"));
    });
    struct Case {
        int32_t command;
        std::string reply;
    };
    for (const Case& c : {Case{USB_SCAN_ABORT, "ffffffff"}, Case{TCP_SCAN_ABORT, "09000000"}}) {
        for (const std::string& name : {page(1, 0), page(1, 1), page(10, 0), std::string("scanApp.conf")})
            folder.write(name, "x");
        const int stopsBefore = dataProcess.stopped();
        if (c.command == USB_SCAN_ABORT) {
            USBScanAbortReq request;
            zeroRecord(request);
            request.devfd = devfd;
            copyText(request.fileName, base(1));
            ASSERT_TRUE(client.sendRequest(c.command, request));
        } else {
            TCPScanAbortReq request;
            zeroRecord(request);
            copyText(request.fileName, base(1));
            ASSERT_TRUE(client.sendRequest(c.command, request));
        }
        std::vector<uint8_t> reply(4);
        ASSERT_TRUE(client.receiveBytes(reply.data(), reply.size(), 2000));
        EXPECT_EQ(toHex(reply), c.reply);
        EXPECT_TRUE(client.checkpoint());
        EXPECT_EQ(dataProcess.stopped(), stopsBefore + 1);
        EXPECT_EQ(folder.names(), (std::set<std::string>{page(10, 0), "scanApp.conf"}));
    }
    EXPECT_EQ(atStop, (std::vector<std::string>{"device aborts 1, pages kept, not replied",
                                                 "device aborts 2, pages kept, not replied"}));
}

TEST_F(ScanJobTest, DeleteRemovesOnlyExactPageFilesAndNeverReplies)
{
    start("");
    folder.write(page(3, 0), "x");
    folder.write("scanApp.conf", "x");
    folder.write("taliroscandata_4711_3.tmp", "x");
    std::filesystem::create_directory(folder.dir() + page(3, 1));
    for (const std::string& path :
         {folder.dir() + page(3, 0), folder.dir() + page(3, 1), folder.dir() + page(3, 2), folder.dir() + "scanApp.conf",
          folder.dir() + "taliroscandata_4711_3.tmp", folder.path(), std::string("/")}) {
        CmdDeleteFileReq request;
        zeroRecord(request);
        copyText(request.fileName, path);
        ASSERT_TRUE(client.sendRequest(CMD_DELETE_FILE, request));
    }
    // A name that fills the whole array without a NUL.
    CmdDeleteFileReq unterminated;
    std::memset(unterminated.fileName, 'a', sizeof unterminated.fileName);
    ASSERT_TRUE(client.sendRequest(CMD_DELETE_FILE, unterminated));
    EXPECT_EQ(rest(), "");
    EXPECT_EQ(folder.names(), (std::set<std::string>{page(3, 1), "scanApp.conf", "taliroscandata_4711_3.tmp"}));
}

// A block source that hands out scripted blocks and leaves the status as it
// was when a block carries none, as the USB transport does.
class StatuslessBlocks : public BlockSource {
public:
    int readBlock(int32_t& status, std::vector<uint8_t>& data, size_t& dataSize) override
    {
        switch (step_++) {
        case 0: status = 9; return 0;
        case 1: data.assign({'A', 'B'}); dataSize = 2; return 0;  // no status of its own
        default: status = 1; return 5;
        }
    }

private:
    int step_ = 0;
};

TEST(ScanJob, BlockWithoutStatusDoesNotBeginAnotherPage)
{
    testsupport::TempFolder folder;
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    StatuslessBlocks blocks;
    EXPECT_EQ(runScanJob(JobKind::Usb, blocks, pair[1], folder.dir() + "taliroscandata_1_0"), 5);
    EXPECT_EQ(folder.names(), std::set<std::string>{"taliroscandata_1_0_0.tmp"});
    EXPECT_EQ(folder.read("taliroscandata_1_0_0.tmp"), "AB");
    close(pair[0]);
    close(pair[1]);
}

}  // namespace
