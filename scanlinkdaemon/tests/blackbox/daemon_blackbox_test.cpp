// The real daemon processes on a scripted scanner, at the real install root
// and port inside the test's private mount and network namespaces.
// Usage: scanlinkdaemon_blackbox_tests <scripted daemon> [gtest options]

#include "daemon_process.h"
#include "scan_client.h"

#include <taliro/install_root.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::string scriptedDaemon;

const std::string kRoot = taliro::kInstallRoot;
const std::string kScanDir = kRoot + "scan/";

const char kScanner[] = R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
device 0x2f7a 0x5a02 Taliro Q805 SN0002
result start 0 3 0
adfstatus 2
job
block 9 0
block 0 0 65536 0x11 x16
block 7 0
block 9 0
blockhex 0 0 00010203040506070809
block 7 0
block 1 5
)";

class DaemonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::remove_all(kScanDir);
        std::filesystem::create_directories(kScanDir);
    }

    void TearDown() override
    {
        daemon.killAll();
        EXPECT_EQ(daemon.sanitizerReports(), "");
        std::filesystem::remove_all(kRoot + "sanitizer-reports");
    }

    void startDaemon(const std::string& script = kScanner)
    {
        const std::string scriptPath = kRoot + "scripted-scanner.txt";
        writeWholeFile(scriptPath, script);
        ASSERT_TRUE(daemon.start(scriptedDaemon, {scriptPath}));
    }

    static std::string infoLog() { return readWholeFile(kScanDir + "taliro_scan_info.log"); }
    static std::string errorLog() { return readWholeFile(kScanDir + "taliro_scan_err.log"); }

    static int32_t firstDevice(ScanClient& client)
    {
        int32_t count = 0;
        std::vector<USBFindDevRes> devices;
        EXPECT_TRUE(client.findDevices(0x2f7a, 0x5a01, true, count, devices));
        EXPECT_EQ(count, 1);
        return devices.empty() ? -1 : devices[0].fd;
    }

    static USBScanStartRes startUsbScan(ScanClient& client, int32_t devfd)
    {
        USBCommonReq request{devfd};
        USBScanStartRes reply;
        zeroRecord(reply);
        EXPECT_TRUE(client.sendRequest(USB_SCAN_START, request));
        EXPECT_TRUE(client.receiveReply(reply));
        terminateWireString(reply.fileName);
        return reply;
    }

    // The connection process's pid from a job base ".../taliroscandata_<pid>_<n>".
    static pid_t connectionPid(const std::string& base)
    {
        const size_t start = base.find("taliroscandata_") + 15;
        return static_cast<pid_t>(std::atoi(base.c_str() + start));
    }

    DaemonProcess daemon;
};

TEST_F(DaemonTest, ServesOnlyLoopbackAndKeepsNoDescriptorAClientCouldName)
{
    startDaemon();
    std::string address, inode;
    ASSERT_TRUE(findListeningSocket(kScanCommandPort, address, inode));
    EXPECT_EQ(address, "0100007F:1B5B");  // 127.0.0.1:7003
    ScanClient other;
    EXPECT_FALSE(other.connectTo("127.0.0.2", kScanCommandPort, 200));

    ScanClient first, second;
    ASSERT_TRUE(first.connectTo());
    ASSERT_TRUE(second.connectTo());
    const pid_t connection = connectionPid(startUsbScan(first, 999).fileName);
    for (pid_t pid : {daemon.listenerPid(), connection}) {
        for (int fd = 0; fd <= 2; ++fd)
            EXPECT_EQ(descriptorTarget(pid, fd), "/dev/null") << "pid " << pid << " fd " << fd;
    }
    // The listener keeps only its listening socket; the connection process does not keep it.
    EXPECT_TRUE(waitUntil(
        [&] {
            int sockets = 0;
            for (const std::string& target : descriptorTargets(daemon.listenerPid()))
                sockets += target.rfind("socket:", 0) == 0;
            return sockets == 1;
        },
        2000));
    for (const std::string& target : descriptorTargets(connection))
        EXPECT_NE(target, "socket:[" + inode + "]");
}

TEST_F(DaemonTest, AnswersCommandsWithExactBytesAndIgnoresUndefinedOnes)
{
    startDaemon();
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const int32_t undefined = 20;
    ASSERT_TRUE(client.sendBytes(&undefined, sizeof undefined));
    EXPECT_EQ(toHex(client.receiveUntilQuiet(500)), "");

    struct Case {
        std::vector<uint8_t> request;
        std::string reply;
    };
    const Case cases[] = {
        // Find devices of vendor 0x2f7a, product 0x5a02: one device record follows the count.
        {{0x00, 0, 0, 0, 0x7a, 0x2f, 0, 0, 0x02, 0x5a, 0, 0, 1, 0, 0, 0}, "01000000"},
        // Clear halt on a descriptor that is no device.
        {{0x03, 0, 0, 0, 0xe7, 0x03, 0, 0, 0x82, 0, 0, 0}, "09000000"},
        // Close a descriptor this connection did not open: answered, nothing closed.
        {{0x02, 0, 0, 0, 0x00, 0, 0, 0}, "00000000"},
        {{0x02, 0, 0, 0, 0x03, 0, 0, 0}, "00000000"},
        {{0x02, 0, 0, 0, 0x06, 0, 0, 0}, "00000000"},
        // Negative command numbers are undefined too; the open that follows is answered.
        {{0xff, 0xff, 0xff, 0xff, 0x01, 0, 0, 0, 0x05, 0, 0, 0}, "00000000"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(client.sendBytes(c.request.data(), c.request.size()));
        std::vector<uint8_t> reply(4);
        ASSERT_TRUE(client.receiveBytes(reply.data(), reply.size()));
        EXPECT_EQ(toHex(reply), c.reply) << toHex(c.request);
        if (c.request[0] == 0x00) {
            USBFindDevRes device;
            ASSERT_TRUE(client.receiveReply(device));
            EXPECT_EQ(device.pid, 0x5a02);
            EXPECT_STREQ(device.SerialNumber, "SN0002");
        }
    }
    EXPECT_EQ(toHex(client.receiveUntilQuiet(200)), "");
    EXPECT_NE(errorLog().find("[TaliroScanSDK] undefined scanCommandType 20\n"), std::string::npos);
    EXPECT_NE(errorLog().find("[TaliroScanSDK] undefined scanCommandType -1\n"), std::string::npos);
    // The logs survived the close requests: this connection still writes to them.
    EXPECT_NE(infoLog().find("recv scanCommandType 1\n"), std::string::npos);
}

TEST_F(DaemonTest, EveryCommandAnswersItsRecordWithExactBytes)
{
    startDaemon(std::string(kScanner) + R"(
result lock 3
result sizes 9
netadfstatus 1
props 1b530300100080000102000304050000060000000700080a
osl <x/>
caps 0 1 100 600 1 7 1 0 216 297 300
)");
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const int32_t devfd = firstDevice(client);
    VuroSocket scanner;
    zeroRecord(scanner);
    copyText(scanner.szScannerIP, "127.0.0.2");
    USBScanLockReq lock;
    zeroRecord(lock);
    lock.devfd = devfd;
    lock.info.bitDepth = 8;
    USBReopenDevReq reopen;
    zeroRecord(reopen);
    reopen.devfd = devfd;
    reopen.vid = 0x2f7a;
    reopen.pid = 0x5a01;
    copyText(reopen.SerialNumber, "SN0001x");
    CmdDeleteFileReq remove;
    zeroRecord(remove);
    copyText(remove.fileName, kScanDir + "taliro_scan_info.log");
    struct Case {
        int32_t command;
        std::vector<uint8_t> request;
        std::string reply;
    };
    const Case cases[] = {
        {USB_OPEN_DEV, recordBytes(USBCommonReq{devfd}), "00000000"},
        {USB_CLEAR_DEV, recordBytes(USBClearDevEpReq{devfd, 0x82}), "00000000"},
        {USB_RESET_DEVEP, recordBytes(USBResetDevEpReq{devfd, 0x02}), "00000000"},
        {USB_RESET_DEVEP, recordBytes(USBResetDevEpReq{-1, 0x02}), "09000000"},
        {USB_SCAN_LOCK, recordBytes(lock), "03000000"},
        {USB_SCAN_UNLOCK, recordBytes(USBCommonReq{devfd}), "00000000"},
        {USB_SCAN_ADFSTATUS, recordBytes(USBCommonReq{devfd}), "02000000 00000000"},
        {USB_SCAN_POWERON, recordBytes(USBCommonReq{devfd}), "00000000"},
        {USB_SCAN_GETSIZES, recordBytes(USBCommonReq{devfd}), "09000000"},
        {USB_SCAN_DEVPROPERTIES, recordBytes(USBCommonReq{devfd}),
         "1b530300 10008000 01020003 04050000 06000000 0700080a 00000000"},
        {TCP_SEND_OSL, recordBytes(TCPOSLReq{scanner, OSL_CMD_SUMMARY}), "00000000 04000000 3c782f3e"},
        {TCP_SCAN_ADFST, recordBytes(TCPCommonReq{scanner}), "00000000 01000000"},
        {TCP_SCAN_DEVPROPERTIES, recordBytes(TCPCommonReq{scanner}),
         "00000000 00010000 64000000 58020000 01000000 07000000 01000000 d8000000 29010000 2c010000"},
        {USB_REOPEN_DEV, recordBytes(reopen), "09000000 00000000"},
        {CMD_DELETE_FILE, recordBytes(remove), ""},
        {USB_CLOSE_DEV, recordBytes(USBCommonReq{devfd}), "00000000"},
        {USB_SCAN_ADFSTATUS, recordBytes(USBCommonReq{devfd}), "00000000 09000000"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(client.sendBytes(&c.command, sizeof c.command));
        ASSERT_TRUE(client.sendBytes(c.request.data(), c.request.size()));
        EXPECT_EQ(toHex(client.receiveUntilQuiet(150)), c.reply) << "command " << c.command;
    }
    EXPECT_TRUE(std::filesystem::exists(kScanDir + "taliro_scan_info.log"));
}

TEST_F(DaemonTest, RecordStillShortAfterFiveSecondsGetsNoReplyAndTheConnectionGoesOn)
{
    startDaemon();
    ScanClient clear, reopen;
    ASSERT_TRUE(clear.connectTo());
    ASSERT_TRUE(reopen.connectTo());
    const uint8_t shortClear[] = {0x03, 0, 0, 0, 0x05, 0, 0, 0};
    const uint8_t shortReopen[] = {0x12, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(clear.sendBytes(shortClear, sizeof shortClear));
    ASSERT_TRUE(reopen.sendBytes(shortReopen, sizeof shortReopen));
    const auto sent = std::chrono::steady_clock::now();
    std::vector<uint8_t> reopenReply(8);
    ASSERT_TRUE(reopen.receiveBytes(reopenReply.data(), reopenReply.size(), 8000));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(4900));
    EXPECT_EQ(toHex(reopenReply), "09000000 00000000");
    EXPECT_EQ(toHex(clear.receiveUntilQuiet(300)), "");
    EXPECT_NE(errorLog().find("[TaliroScanSDK] recv ClearDevEpReq err\n"), std::string::npos);
    EXPECT_NE(errorLog().find("[TaliroScanSDK] recv USBReopenDevReq err\n"), std::string::npos);
    for (ScanClient* client : {&clear, &reopen}) {
        const uint8_t open[] = {0x01, 0, 0, 0, 0x05, 0, 0, 0};
        ASSERT_TRUE(client->sendBytes(open, sizeof open));
        EXPECT_EQ(toHex(client->receiveUntilQuiet(300)), "00000000");
    }
}

TEST_F(DaemonTest, TwoPageJobSendsStartReplyFirstAndEachPageIsCompleteBeforeItsRecords)
{
    startDaemon();
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const int32_t devfd = firstDevice(client);
    const USBScanStartRes start = startUsbScan(client, devfd);
    const pid_t connection = connectionPid(start.fileName);
    EXPECT_EQ(start.result, 0);
    EXPECT_EQ(std::string(start.fileName), kScanDir + "taliroscandata_" + std::to_string(connection) + "_0");
    const std::string base = start.fileName;

    std::vector<std::string> records;
    for (;;) {
        USBScanRecordRes record;
        ASSERT_TRUE(client.receiveReply(record));
        records.push_back(std::to_string(record.st) + "/" + std::to_string(record.fileIndex) + "/" +
                          std::to_string(record.dataSize) + "/" + std::to_string(record.result));
        if (record.st == SCAN_STATUS_OPERATION_CONTINUOUS) {
            // Every byte up to this record is in the page file already.
            const std::string page = base + "_" + std::to_string(record.fileIndex - 1) + ".tmp";
            const size_t expected = record.fileIndex == 1 ? 65536 * (records.size() - 1) : 10;
            EXPECT_GE(std::filesystem::file_size(page), expected);
        }
        if (record.result != 0)
            break;
    }
    std::vector<std::string> expected{"9/0/0/0"};
    expected.insert(expected.end(), 16, "0/1/65536/0");
    for (const char* record : {"7/1/0/0", "9/1/0/0", "0/2/10/0", "7/2/0/0", "1/2/0/5"})
        expected.push_back(record);
    EXPECT_EQ(records, expected);
    EXPECT_EQ(readWholeFile(base + "_0.tmp"), std::string(16 * 65536, '\x11'));
    EXPECT_EQ(readWholeFile(base + "_1.tmp"), std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10));

    // The second start is refused: its reply and no records; the third uses job number 2.
    const USBScanStartRes refused = startUsbScan(client, devfd);
    EXPECT_EQ(refused.result, 3);
    EXPECT_EQ(std::string(refused.fileName), kScanDir + "taliroscandata_" + std::to_string(connection) + "_1");
    EXPECT_EQ(toHex(client.receiveUntilQuiet(300)), "");
    EXPECT_EQ(std::string(startUsbScan(client, devfd).fileName),
              kScanDir + "taliroscandata_" + std::to_string(connection) + "_2");

    const std::string log = infoLog();
    EXPECT_NE(log.find("usb scanstart main process exit:0 pid:" + std::to_string(connection) + "\n"),
              std::string::npos);
    EXPECT_NE(log.find("usb scanstart main process exit:3 pid:" + std::to_string(connection) + "\n"),
              std::string::npos);
    EXPECT_NE(log.find("[TaliroScanSDK] usb scan record process exit:5 pid:"), std::string::npos);
}

TEST_F(DaemonTest, AbortEndsTheRunningJobThenDeletesOnlyItsPagesAndReplies)
{
    startDaemon(R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
result abort 0
job
block 9 0
blockhex 0 0 41424344
hang
)");
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const int32_t devfd = firstDevice(client);
    const std::string base = startUsbScan(client, devfd).fileName;
    const pid_t connection = connectionPid(base);
    std::vector<uint8_t> records(32);
    ASSERT_TRUE(client.receiveBytes(records.data(), records.size()));
    EXPECT_EQ(toHex(records), "09000000 00000000 00000000 00000000 00000000 01000000 04000000 00000000");
    // The payload is in its page file as soon as its record came, though the job goes on.
    EXPECT_EQ(readWholeFile(base + "_0.tmp"), "ABCD");
    const std::vector<pid_t> jobs = childrenOf(connection);
    ASSERT_EQ(jobs.size(), 1u);

    const std::string otherJob = kScanDir + "taliroscandata_" + std::to_string(connection) + "_00_0.tmp";
    const std::string tenthJob = base + "0_0.tmp";
    for (const std::string& path : {otherJob, tenthJob, kScanDir + "scanApp.conf", base + "_7.tmp"})
        writeWholeFile(path, "keep?");
    int32_t reply = -1;
    ASSERT_TRUE(client.abortUsbScan(devfd, base, reply));
    EXPECT_EQ(reply, 0);
    // By the time of the reply the job's process has ended and its pages are gone.
    EXPECT_FALSE(processExists(jobs[0]));
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(kScanDir))
        left.insert(entry.path().string());
    EXPECT_EQ(left, (std::set<std::string>{otherJob, tenthJob, kScanDir + "scanApp.conf",
                                           kScanDir + "taliro_scan_info.log", kScanDir + "taliro_scan_err.log"}));
    // A second abort has no job to end and still answers.
    ASSERT_TRUE(client.abortUsbScan(devfd, "/", reply));
    EXPECT_EQ(reply, 0);
    EXPECT_EQ(toHex(client.receiveUntilQuiet(300)), "");
    std::set<std::string> stillLeft;
    for (const auto& entry : std::filesystem::directory_iterator(kScanDir))
        stillLeft.insert(entry.path().string());
    EXPECT_EQ(stillLeft, left);
}

TEST_F(DaemonTest, RefusedStartLeavesTheRunningJobTheOneAnAbortEnds)
{
    startDaemon(R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
result start 0 3
job
block 9 0
blockhex 0 0 41
hang
)");
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const int32_t devfd = firstDevice(client);
    const std::string base = startUsbScan(client, devfd).fileName;
    std::vector<uint8_t> records(32);
    ASSERT_TRUE(client.receiveBytes(records.data(), records.size()));
    const std::vector<pid_t> jobs = childrenOf(connectionPid(base));
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(startUsbScan(client, devfd).result, 3);

    int32_t reply = -1;
    ASSERT_TRUE(client.abortUsbScan(devfd, base, reply));
    EXPECT_EQ(reply, 0);
    EXPECT_FALSE(processExists(jobs[0]));
    EXPECT_FALSE(std::filesystem::exists(base + "_0.tmp"));
}

TEST_F(DaemonTest, SigquitEndsTheListenerWhileAnOpenConnectionStillAnswers)
{
    startDaemon();
    ScanClient open;
    ASSERT_TRUE(open.connectTo());
    const uint8_t openDevice[] = {0x01, 0, 0, 0, 0x05, 0, 0, 0};
    ASSERT_TRUE(open.sendBytes(openDevice, sizeof openDevice));
    ASSERT_EQ(toHex(open.receiveUntilQuiet(200)), "00000000");

    const pid_t listener = daemon.listenerPid();
    ASSERT_EQ(kill(listener, SIGQUIT), 0);
    EXPECT_TRUE(waitUntil([&] { return !processExists(listener); }, 3000));
    const std::string log = infoLog();
    EXPECT_NE(log.find("[TaliroScanSDK] I got a signal 3\nI'm quitting.\n[TaliroScanSDK] parent pro exit\n"),
              std::string::npos)
        << log;
    ScanClient late;
    EXPECT_FALSE(late.connectTo("127.0.0.1", kScanCommandPort, 200));

    ASSERT_TRUE(open.sendBytes(openDevice, sizeof openDevice));
    EXPECT_EQ(toHex(open.receiveUntilQuiet(200)), "00000000");
}

TEST_F(DaemonTest, SigquitEndsAConnectionProcessAsADisconnectWhileTheListenerGoesOn)
{
    startDaemon();
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    // A refused start tells the connection process's pid and runs no job.
    const USBScanStartRes refused = startUsbScan(client, 999);
    ASSERT_EQ(refused.result, 9);
    const pid_t connection = connectionPid(refused.fileName);
    ASSERT_TRUE(waitUntil([&] { return childrenOf(connection).empty(); }, 2000));

    ASSERT_EQ(kill(connection, SIGQUIT), 0);
    EXPECT_TRUE(client.closedByPeer(3000));
    EXPECT_TRUE(waitUntil([&] { return !processExists(connection); }, 3000));
    EXPECT_NE(infoLog().find("[TaliroScanSDK] I got a signal 3\nI'm quitting.\n[TaliroScanSDK] pid:" +
                             std::to_string(connection) + " DISCONNECT FROM SERVER\n"),
              std::string::npos)
        << infoLog();

    ScanClient next;
    ASSERT_TRUE(next.connectTo());
    const uint8_t openDevice[] = {0x01, 0, 0, 0, 0x05, 0, 0, 0};
    ASSERT_TRUE(next.sendBytes(openDevice, sizeof openDevice));
    EXPECT_EQ(toHex(next.receiveUntilQuiet(300)), "00000000");
}

TEST_F(DaemonTest, ConcurrentConnectionsEachRunTheirOwnJob)
{
    startDaemon(R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
job
block 9 0
block 0 0 65536 0x5a x64
block 7 0
block 1 5
)");
    constexpr int kClients = 4;
    std::string bases[kClients];
    int records[kClients] = {};
    std::thread clients[kClients];
    for (int i = 0; i < kClients; ++i) {
        clients[i] = std::thread([&, i] {
            ScanClient client;
            ASSERT_TRUE(client.connectTo());
            bases[i] = startUsbScan(client, firstDevice(client)).fileName;
            USBScanRecordRes record;
            do {
                ASSERT_TRUE(client.receiveReply(record));
                ++records[i];
            } while (record.result == 0);
            EXPECT_EQ(record.result, 5);
        });
    }
    for (std::thread& client : clients)
        client.join();
    std::set<pid_t> connections;
    for (int i = 0; i < kClients; ++i) {
        EXPECT_EQ(records[i], 67);
        EXPECT_EQ(readWholeFile(bases[i] + "_0.tmp"), std::string(64 * 65536, '\x5a'));
        connections.insert(connectionPid(bases[i]));
    }
    EXPECT_EQ(connections.size(), static_cast<size_t>(kClients));
    // Every process appended to the logs: nothing of the listener's or the jobs' lines was overwritten.
    const std::string log = infoLog();
    for (pid_t connection : connections) {
        EXPECT_NE(log.find("new conn pid:" + std::to_string(connection) + "\n"), std::string::npos);
        EXPECT_NE(log.find("pid:" + std::to_string(connection) + " recv scanCommandType 5\n"), std::string::npos);
    }
    size_t jobEnds = 0;
    for (size_t at = log.find("usb scan record process exit:5"); at != std::string::npos;
         at = log.find("usb scan record process exit:5", at + 1))
        ++jobEnds;
    EXPECT_EQ(jobEnds, static_cast<size_t>(kClients));
}

TEST_F(DaemonTest, ShippedDaemonStartsAndServesWithoutAUsbBus)
{
    ASSERT_TRUE(daemon.start(kRoot + "bin/ScanLinkDaemon", {}));
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    // A vendor id no device has: no device records, whatever buses this machine has.
    const uint8_t find[] = {0x00, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(client.sendBytes(find, sizeof find));
    const std::string count = toHex(client.receiveUntilQuiet(300));
    EXPECT_TRUE(count == "ffffffff" || count == "00000000") << count;
    const pid_t listener = daemon.listenerPid();
    ASSERT_EQ(kill(listener, SIGQUIT), 0);
    EXPECT_TRUE(waitUntil([&] { return !processExists(listener); }, 3000));
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <scripted daemon> [gtest options]\n", argv[0]);
        return 2;
    }
    scriptedDaemon = argv[1];
    return RUN_ALL_TESTS();
}
