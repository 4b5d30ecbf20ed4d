// The real daemon processes on a scripted scanner, at the real install root
// and port inside the test's private mount and network namespaces: what only
// real processes show (descriptors, files, logs, process limits, signals).
// The replies of each command are the unit tests' matter.
// Usage: scanlinkdaemon_blackbox_tests <scripted daemon> [gtest options]

#include "daemon_log.h"
#include "daemon_process.h"
#include "installed_daemon_test.h"
#include "listener.h"
#include "private_mounts.h"
#include "scan_client.h"

#include <taliro/install_root.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string scriptedDaemon;

const std::string kRoot = taliro::kInstallRoot;
const std::string kScanDir = kRoot + "scan/";
const std::string kInfoLog = kScanDir + "taliro_scan_info.log";
const std::string kErrorLog = kScanDir + "taliro_scan_err.log";

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

size_t count(const std::string& text, const std::string& part)
{
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

class DaemonTest : public InstalledDaemonTest {
protected:
    void startDaemon(const std::string& script = kScanner)
    {
        const std::string scriptPath = kRoot + "scripted-scanner.txt";
        writeWholeFile(scriptPath, script);
        ASSERT_TRUE(daemon.start(scriptedDaemon, {scriptPath}));
    }

    static std::string infoLog() { return readWholeFile(kInfoLog); }
    static std::string errorLog() { return readWholeFile(kErrorLog); }

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

    // The records of a USB job up to its last one, as "st/fileIndex/dataSize/result".
    static std::vector<std::string> usbRecords(ScanClient& client)
    {
        std::vector<std::string> records;
        USBScanRecordRes record;
        do {
            if (!client.receiveReply(record)) {
                ADD_FAILURE() << "the job ended without its last record";
                break;
            }
            records.push_back(std::to_string(record.st) + "/" + std::to_string(record.fileIndex) + "/" +
                              std::to_string(record.dataSize) + "/" + std::to_string(record.result));
        } while (record.result == 0);
        return records;
    }

    // The connection process's pid from a job base ".../taliroscandata_<pid>_<n>".
    static pid_t connectionPid(const std::string& base)
    {
        const size_t start = base.find("taliroscandata_") + 15;
        return static_cast<pid_t>(std::atoi(base.c_str() + start));
    }

    // A refused start on a device no connection opened: no job runs, and the
    // reply names the connection process.
    static pid_t connectionPidOf(ScanClient& client) { return connectionPid(startUsbScan(client, 999).fileName); }
};

TEST_F(DaemonTest, ServesOnlyLoopbackAndKeepsNoDescriptorAClientCouldName)
{
    // A descriptor the starting program leaves open is not the daemon's.
    int inherited[2];
    ASSERT_EQ(pipe(inherited), 0);
    struct stat pipeInfo {};
    ASSERT_EQ(fstat(inherited[0], &pipeInfo), 0);
    const std::string inheritedPipe = "pipe:[" + std::to_string(pipeInfo.st_ino) + "]";
    startDaemon();
    close(inherited[0]);
    close(inherited[1]);
    std::string address, inode;
    ASSERT_TRUE(findListeningSocket(kScanCommandPort, address, inode));
    EXPECT_EQ(address, "0100007F:1B5B");  // 127.0.0.1:7003
    ScanClient other;
    EXPECT_FALSE(other.connectTo("127.0.0.2", kScanCommandPort, 200));

    ScanClient first, second;
    ASSERT_TRUE(first.connectTo());
    ASSERT_TRUE(second.connectTo());
    ASSERT_TRUE(second.checkpoint());
    const pid_t connection = connectionPidOf(first);
    for (pid_t pid : {daemon.listenerPid(), connection}) {
        for (int fd = 0; fd <= 2; ++fd)
            EXPECT_EQ(descriptorTarget(pid, fd), "/dev/null") << "pid " << pid << " fd " << fd;
        for (const std::string& target : descriptorTargets(pid))
            EXPECT_NE(target, inheritedPipe) << "pid " << pid;
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

TEST_F(DaemonTest, UndefinedCommandsAreLoggedAndClosingLowDescriptorsLeavesLogsAndConnection)
{
    startDaemon();
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    for (int32_t undefined : {20, -1})
        ASSERT_TRUE(client.sendBytes(&undefined, sizeof undefined));
    // Descriptors this connection did not open: the logs and the connection among them.
    for (int32_t fd = 0; fd < 8; ++fd) {
        ASSERT_TRUE(client.sendRequest(USB_CLOSE_DEV, USBCommonReq{fd}));
        int32_t reply = -1;
        ASSERT_TRUE(client.receiveReply(reply));
        EXPECT_EQ(reply, 0);
    }
    ASSERT_TRUE(client.checkpoint());
    EXPECT_NE(errorLog().find("[TaliroScanSDK] undefined scanCommandType 20\n"), std::string::npos);
    EXPECT_NE(errorLog().find("[TaliroScanSDK] undefined scanCommandType -1\n"), std::string::npos);
    EXPECT_EQ(count(infoLog(), "recv scanCommandType 2\n"), 9u);
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
    EXPECT_NE(errorLog().find("[TaliroScanSDK] recv USBReopenDevReq err\n"), std::string::npos);
    // The short clear was given up too (its line is logged) and got no reply:
    // the next four bytes are the checkpoint's.
    ASSERT_TRUE(waitUntil([] { return errorLog().find("[TaliroScanSDK] recv ClearDevEpReq err\n") != std::string::npos; },
                          3000));
    EXPECT_TRUE(clear.checkpoint());
    EXPECT_TRUE(reopen.checkpoint());
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
    EXPECT_TRUE(client.checkpoint());
    EXPECT_EQ(std::string(startUsbScan(client, devfd).fileName),
              kScanDir + "taliroscandata_" + std::to_string(connection) + "_2");

    const std::string log = infoLog();
    EXPECT_NE(log.find("usb scanstart main process exit:0 pid:" + std::to_string(connection) + "\n"),
              std::string::npos);
    EXPECT_NE(log.find("usb scanstart main process exit:3 pid:" + std::to_string(connection) + "\n"),
              std::string::npos);
    EXPECT_NE(log.find("[TaliroScanSDK] usb scan record process exit:5 pid:"), std::string::npos);
}

TEST_F(DaemonTest, PagesAndLogsAreCreatedAnewMode0644WithoutFollowingLinks)
{
    // Links planted where the daemon, running as root, writes; old files of mode 0666.
    const std::string victim = kRoot + "victim";
    writeWholeFile(victim, "victim");
    std::filesystem::create_symlink(victim, kInfoLog);
    writeWholeFile(kErrorLog, "old");
    ASSERT_EQ(chmod(kErrorLog.c_str(), 0666), 0);
    startDaemon(R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
result start 3 0
job
block 9 0
blockhex 0 0 41424344
block 7 0
block 9 0
blockhex 0 0 45
block 1 5
)");
    for (const std::string& log : {kInfoLog, kErrorLog})
        EXPECT_EQ(modeOf(log), S_IFREG | 0644) << log;
    EXPECT_EQ(errorLog(), "[TaliroScanSDK] bind port:7003\n");

    // Job 0 is refused; job 1's page names are known in advance.
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const int32_t devfd = firstDevice(client);
    const std::string refused = startUsbScan(client, devfd).fileName;
    const std::string base = refused.substr(0, refused.size() - 1) + "1";
    std::filesystem::create_symlink(victim, base + "_0.tmp");
    writeWholeFile(base + "_1.tmp", "old page");
    ASSERT_EQ(chmod((base + "_1.tmp").c_str(), 0666), 0);
    ASSERT_EQ(startUsbScan(client, devfd).fileName, base);
    EXPECT_EQ(usbRecords(client).back(), "1/2/0/5");
    EXPECT_EQ(readWholeFile(base + "_0.tmp"), "ABCD");
    EXPECT_EQ(readWholeFile(base + "_1.tmp"), "E");
    for (const std::string& page : {base + "_0.tmp", base + "_1.tmp"})
        EXPECT_EQ(modeOf(page), S_IFREG | 0644) << page;

    // A link put in a log's place later is not followed by the process that
    // opens the log next (a new connection) nor by those that hold it open.
    ASSERT_EQ(unlink(kInfoLog.c_str()), 0);
    std::filesystem::create_symlink(victim, kInfoLog);
    ScanClient next;
    ASSERT_TRUE(next.connectTo());
    EXPECT_TRUE(next.checkpoint());
    EXPECT_TRUE(client.checkpoint());
    EXPECT_EQ(readWholeFile(victim), "victim");

    // Once the link is gone, the next line makes the log anew.
    ASSERT_EQ(unlink(kInfoLog.c_str()), 0);
    EXPECT_TRUE(client.checkpoint());
    EXPECT_EQ(modeOf(kInfoLog), S_IFREG | 0644);
    EXPECT_NE(infoLog().find("recv scanCommandType 2\n"), std::string::npos);
}

TEST_F(DaemonTest, LogsStayBoundedWhileTwoProcessesWriteAcrossARotation)
{
    startDaemon();
    // Each undefined command number writes one line to each log. The two
    // connections write in turns; the second one's lines take both logs past
    // their bound, and the first one must then follow the new files.
    ScanClient first, second;
    ASSERT_TRUE(first.connectTo());
    ASSERT_TRUE(second.connectTo());
    const int32_t firstNumber = 20, secondNumber = 21;
    const size_t turns[][2] = {{0, 100000}, {1, 100000}, {0, 20000}};
    size_t sent[2] = {0, 0};
    for (const auto& turn : turns) {
        ScanClient& client = turn[0] == 0 ? first : second;
        const std::vector<int32_t> junk(turn[1], turn[0] == 0 ? firstNumber : secondNumber);
        ASSERT_TRUE(client.sendBytes(junk.data(), junk.size() * sizeof(int32_t)));
        ASSERT_TRUE(client.checkpoint(30000));
        sent[turn[0]] += turn[1];
    }
    for (const std::string& log : {kInfoLog, kErrorLog}) {
        const std::string current = readWholeFile(log);
        const std::string previous = readWholeFile(log + ".1");
        EXPECT_LE(current.size(), kLogBound) << log;
        EXPECT_LE(previous.size(), kLogBound) << log;
        EXPECT_GT(previous.size(), kLogBound - 100) << log << " was not turned into its previous copy";
        // Nothing went to a file that left the name: every line is in one of the two.
        const std::string both = previous + current;
        EXPECT_EQ(count(both, "scanCommandType 20\n"), sent[0]) << log;
        EXPECT_EQ(count(both, "scanCommandType 21\n"), sent[1]) << log;
        // The first connection's last turn came after the rotation.
        EXPECT_GE(count(current, "scanCommandType 20\n"), turns[2][1]) << log;
    }
}

TEST_F(DaemonTest, ConnectionThatBeginsLikeAnHttpRequestIsClosedAtOnceWithOneLogLine)
{
    startDaemon();
    for (const std::string request : {"GET / HTTP/1.1\r\nHost: 127.0.0.1:7003\r\n\r\n",
                                      "CONNECT 127.0.0.1:7003 HTTP/1.1\r\n\r\n"}) {
        ScanClient browser;
        ASSERT_TRUE(browser.connectTo());
        ASSERT_TRUE(browser.sendBytes(request.data(), request.size()));
        EXPECT_TRUE(browser.closedByPeer(5000)) << request;
    }
    const std::string info = infoLog();
    const std::string errors = errorLog();
    EXPECT_EQ(count(errors, "HTTP request, conn closed\n"), 2u);
    EXPECT_EQ(count(info, "recv scanCommandType"), 0u) << info;
    EXPECT_EQ(count(info, "DISCONNECT FROM SERVER"), 0u) << info;
    for (size_t at = info.find("new conn pid:"); at != std::string::npos; at = info.find("new conn pid:", at + 1)) {
        const pid_t pid = std::atoi(info.c_str() + at + 13);
        EXPECT_NE(errors.find("[TaliroScanSDK] pid:" + std::to_string(pid) + " HTTP request, conn closed\n"),
                  std::string::npos);
        EXPECT_TRUE(waitUntil([&] { return !processExists(pid); }, 3000));
    }
    ScanClient scanner;
    ASSERT_TRUE(scanner.connectTo());
    EXPECT_TRUE(scanner.checkpoint());
}

TEST_F(DaemonTest, ConnectionProcessesAreCappedAndAnEndedOneFreesItsPlace)
{
    startDaemon();
    std::vector<std::unique_ptr<ScanClient>> clients;
    for (int i = 0; i < kMaxConnectionProcesses; ++i) {
        clients.push_back(std::make_unique<ScanClient>());
        ASSERT_TRUE(clients.back()->connectTo());
        ASSERT_TRUE(clients.back()->checkpoint()) << "connection " << i;
    }
    ScanClient beyond;
    ASSERT_TRUE(beyond.connectTo());
    EXPECT_TRUE(beyond.closedByPeer(5000));
    EXPECT_EQ(count(errorLog(), "[TaliroScanSDK] 64 connections open, conn closed\n"), 1u);
    EXPECT_EQ(childrenOf(daemon.listenerPid()).size(), static_cast<size_t>(kMaxConnectionProcesses));

    // A job's data process does not take a place.
    ScanClient& scanning = *clients[1];
    EXPECT_EQ(startUsbScan(scanning, firstDevice(scanning)).result, 0);
    EXPECT_EQ(usbRecords(scanning).back(), "1/2/0/5");

    clients.front().reset();
    ASSERT_TRUE(waitUntil([&] { return childrenOf(daemon.listenerPid()).size() < 64u; }, 5000));
    ScanClient next;
    ASSERT_TRUE(next.connectTo());
    EXPECT_TRUE(next.checkpoint());
    EXPECT_TRUE(clients.back()->checkpoint());
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
    EXPECT_EQ(left, (std::set<std::string>{otherJob, tenthJob, kScanDir + "scanApp.conf", kInfoLog, kErrorLog}));
    // A second abort has no job to end and still answers, with nothing else.
    ASSERT_TRUE(client.abortUsbScan(devfd, "/", reply));
    EXPECT_EQ(reply, 0);
    EXPECT_TRUE(client.checkpoint());
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
    ASSERT_TRUE(open.checkpoint());

    const pid_t listener = daemon.listenerPid();
    ASSERT_EQ(kill(listener, SIGQUIT), 0);
    EXPECT_TRUE(waitUntil([&] { return !processExists(listener); }, 3000));
    const std::string log = infoLog();
    EXPECT_NE(log.find("[TaliroScanSDK] I got a signal 3\nI'm quitting.\n[TaliroScanSDK] parent pro exit\n"),
              std::string::npos)
        << log;
    ScanClient late;
    EXPECT_FALSE(late.connectTo("127.0.0.1", kScanCommandPort, 200));
    EXPECT_TRUE(open.checkpoint());
}

TEST_F(DaemonTest, SigquitEndsAConnectionProcessAsADisconnectWhileTheListenerGoesOn)
{
    startDaemon();
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const pid_t connection = connectionPidOf(client);
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
    EXPECT_TRUE(next.checkpoint());
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
    size_t records[kClients] = {};
    std::thread clients[kClients];
    for (int i = 0; i < kClients; ++i) {
        clients[i] = std::thread([&, i] {
            ScanClient client;
            ASSERT_TRUE(client.connectTo());
            bases[i] = startUsbScan(client, firstDevice(client)).fileName;
            const std::vector<std::string> job = usbRecords(client);
            records[i] = job.size();
            EXPECT_EQ(job.back(), "1/1/0/5");
        });
    }
    for (std::thread& client : clients)
        client.join();
    std::set<pid_t> connections;
    for (int i = 0; i < kClients; ++i) {
        EXPECT_EQ(records[i], 67u);
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
    EXPECT_EQ(count(log, "usb scan record process exit:5"), static_cast<size_t>(kClients));
}

TEST_F(DaemonTest, ShippedDaemonListsNoBusWithoutBusFoldersAndNoDeviceOnAnEmptyBus)
{
    // The daemon sees a /dev of this test's own, holding only null, and no
    // /proc/bus/usb; nothing of the machine's USB devices is opened.
    Mounts mounts;
    ASSERT_TRUE(mounts.ownDev(false));
    ASSERT_TRUE(mounts.hideProcBus());

    ASSERT_TRUE(daemon.start(kRoot + "bin/ScanLinkDaemon", {}));
    ScanClient client;
    ASSERT_TRUE(client.connectTo());
    const auto listing = [&client] {
        int32_t count = -2;
        std::vector<USBFindDevRes> devices;
        EXPECT_TRUE(client.findDevices(0x2f7a, 0, false, count, devices));
        return count;
    };
    EXPECT_EQ(listing(), -1);
    std::filesystem::create_directories("/dev/bus/usb");
    ASSERT_TRUE(mounts.tmpfs("/dev/bus/usb"));
    EXPECT_EQ(listing(), 0);

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
