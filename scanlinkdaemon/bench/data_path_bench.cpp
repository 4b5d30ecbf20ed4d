// The daemon's data path against a plain loop doing the same work: 256 MiB
// in 64 KiB blocks (4 pages of 1024 blocks) from the scripted scanner through
// the real daemon into page files on a tmpfs, with one 16-byte record per
// block to a reading client on loopback; and, as the anchor, a forked process
// that fills the same blocks in memory, writes them into 4 new files on the
// same tmpfs and sends the same 4105 records over loopback to a reading
// process. `socat -u` receiving the same 256 MiB over loopback into a file
// stays as a row of context. Every run's page contents and record count are
// checked. The three take turns in a rotating order; prints the median of 9
// runs of each in MiB/s.
// The network row: a job of 4 A4 pages at 300 dpi in colour streamed by the
// simulated network scanner over loopback in 64 KiB blocks through the
// shipped daemon into page files; against `socat -u` taking the same stream
// from the same simulated scanner into a file on the same tmpfs.
// Runs itself inside tools/private-ns.sh (a tmpfs over /opt, own loopback).

#include "daemon_process.h"
#include "netscan_protocol.h"
#include "scan_client.h"
#include "sim_scanner.h"

#include <taliro/install_root.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kBlock = 64 * 1024;
constexpr int kPages = 4;
constexpr int kBlocksPerPage = 1024;
constexpr size_t kPageBytes = kBlock * kBlocksPerPage;
constexpr size_t kTotal = kPageBytes * kPages;
// Per page a begin record, its blocks and an end record; then the last record.
constexpr int kRecords = kPages * (kBlocksPerPage + 2) + 1;
constexpr uint8_t kFill = 0x42;
constexpr int kRuns = 9;
constexpr int kLoopPort = 7101;
constexpr int kSocatPort = 7100;

const std::string kScanDir = std::string(taliro::kInstallRoot) + "scan/";

using Clock = std::chrono::steady_clock;

double mibPerSecond(Clock::duration elapsed, size_t bytes = kTotal)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string script()
{
    std::string text = "device 0x2f7a 0x5a01 Taliro Q804 SN0001\njob\n";
    for (int page = 0; page < kPages; ++page)
        text += "block 9 0\nblock 0 0 65536 0x42 x" + std::to_string(kBlocksPerPage) + "\nblock 7 0\n";
    return text + "block 1 5\n";
}

// True when the file holds exactly one page (pageBytes) of the fill byte; it is removed.
bool pageIsRight(const std::string& path, size_t pageBytes = kPageBytes)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    size_t bytes = 0;
    bool right = true;
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        const size_t got = static_cast<size_t>(in.gcount());
        right = right && std::all_of(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got),
                                     [](char c) { return static_cast<uint8_t>(c) == kFill; });
        bytes += got;
    }
    std::filesystem::remove(path);
    return right && bytes == pageBytes;
}

// Receives records until one carries a non-zero result; their count, or -1 when the stream broke.
int receiveRecords(ScanClient& client, int32_t& lastResult)
{
    int records = 0;
    USBScanRecordRes record;
    do {
        if (!client.receiveReply(record, 60000))
            return -1;
        ++records;
    } while (record.result == 0);
    lastResult = record.result;
    return records;
}

// One scan through the daemon; the elapsed time, or zero when it went wrong.
Clock::duration daemonRun()
{
    ScanClient client;
    int32_t count = 0;
    std::vector<USBFindDevRes> devices;
    if (!client.connectTo() || !client.findDevices(0x2f7a, 0, false, count, devices) || count != 1)
        return {};
    const auto begin = Clock::now();
    USBScanStartRes started;
    if (!client.sendRequest(USB_SCAN_START, USBCommonReq{devices[0].fd}) || !client.receiveReply(started) ||
        started.result != 0)
        return {};
    int32_t lastResult = 0;
    const int records = receiveRecords(client, lastResult);
    const auto elapsed = Clock::now() - begin;
    terminateWireString(started.fileName);
    bool pagesRight = true;
    for (int page = 0; page < kPages; ++page)
        pagesRight = pageIsRight(std::string(started.fileName) + "_" + std::to_string(page) + ".tmp") && pagesRight;
    return records == kRecords && lastResult == kSaneEndOfFile && pagesRight ? elapsed : Clock::duration{};
}

bool sendRecord(int fd, int32_t st, int32_t fileIndex, int32_t dataSize, int32_t result)
{
    const USBScanRecordRes record{st, fileIndex, dataSize, result};
    return send(fd, &record, sizeof record, 0) == static_cast<ssize_t>(sizeof record);
}

// The data process's work without the daemon: for each page a new file, each
// block filled in memory, written and announced by a record.
void plainLoop(int connection)
{
    std::vector<uint8_t> block(kBlock);
    int opened = 0;
    for (int page = 0; page < kPages; ++page) {
        const std::string path = kScanDir + "loop_" + std::to_string(page) + ".tmp";
        unlink(path.c_str());
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 || !sendRecord(connection, SCAN_STATUS_BEGIN_OF_PAGE, opened++, 0, 0))
            _exit(1);
        for (int b = 0; b < kBlocksPerPage; ++b) {
            std::memset(block.data(), kFill, block.size());
            if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()) ||
                !sendRecord(connection, SCAN_STATUS_OPERATION_CONTINUOUS, opened, kBlock, 0))
                _exit(1);
        }
        close(fd);
        if (!sendRecord(connection, SCAN_STATUS_END_OF_PAGE, opened, 0, 0))
            _exit(1);
    }
    _exit(sendRecord(connection, SCAN_STATUS_END_OF_DATA, opened, 0, kSaneEndOfFile) ? 0 : 1);
}

int listenOn(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 1) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// One run of the plain loop in a process forked at the start, as the daemon
// forks its data process, to a reader on an open loopback connection.
Clock::duration plainLoopRun()
{
    const int listener = listenOn(kLoopPort);
    ScanClient reader;
    if (listener < 0 || !reader.connectTo("127.0.0.1", kLoopPort, 5000))
        return {};
    const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    close(listener);
    if (connection < 0)
        return {};
    const auto begin = Clock::now();
    const pid_t writer = fork();
    if (writer == 0)
        plainLoop(connection);
    close(connection);
    int32_t lastResult = 0;
    const int records = writer > 0 ? receiveRecords(reader, lastResult) : -1;
    const auto elapsed = Clock::now() - begin;
    int status = 0;
    if (writer > 0)
        waitpid(writer, &status, 0);
    bool pagesRight = true;
    for (int page = 0; page < kPages; ++page)
        pagesRight = pageIsRight(kScanDir + "loop_" + std::to_string(page) + ".tmp") && pagesRight;
    const bool ended = writer > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return records == kRecords && lastResult == kSaneEndOfFile && pagesRight && ended ? elapsed : Clock::duration{};
}

Clock::duration socatRun()
{
    const std::string output = kScanDir + "socat.out";
    const std::string listen = "TCP-LISTEN:" + std::to_string(kSocatPort) + ",bind=127.0.0.1,reuseaddr";
    const std::string create = "CREATE:" + output;
    const pid_t socat = fork();
    if (socat == 0) {
        execlp("socat", "socat", "-u", "-b", "65536", listen.c_str(), create.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ScanClient sender;
    if (socat < 0 || !sender.connectTo("127.0.0.1", kSocatPort, 5000))
        return {};
    const std::vector<char> block(kBlock, static_cast<char>(kFill));
    const auto begin = Clock::now();
    for (size_t sent = 0; sent < kTotal; sent += kBlock) {
        if (!sender.sendBytes(block.data(), block.size()))
            return {};
    }
    sender.disconnect();
    int status = 0;
    waitpid(socat, &status, 0);
    const auto elapsed = Clock::now() - begin;
    const bool complete = std::filesystem::file_size(output) == kTotal;
    std::filesystem::remove(output);
    return complete && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : Clock::duration{};
}

int measureUsb(const char* scriptedDaemon)
{
    const std::string scriptPath = std::string(taliro::kInstallRoot) + "bench-scanner.txt";
    writeWholeFile(scriptPath, script());
    DaemonProcess daemon;
    if (!daemon.start(scriptedDaemon, {scriptPath})) {
        std::fprintf(stderr, "the scripted daemon did not start\n");
        return 1;
    }
    std::vector<double> daemonRates, loopRates, socatRates;
    const char* const names[] = {"daemon", "plain loop", "socat"};
    for (int run = 0; run < kRuns; ++run) {
        // Whichever goes first finds the tmpfs as the last one left it: the order rotates.
        for (int turn = 0; turn < 3; ++turn) {
            const int side = (run + turn) % 3;
            const Clock::duration took = side == 0 ? daemonRun() : side == 1 ? plainLoopRun() : socatRun();
            if (took == Clock::duration{}) {
                std::fprintf(stderr, "run %d of the %s failed\n", run, names[side]);
                return 1;
            }
            (side == 0 ? daemonRates : side == 1 ? loopRates : socatRates).push_back(mibPerSecond(took));
        }
    }
    const double daemonRate = median(daemonRates);
    const double loopRate = median(loopRates);
    std::printf("every run: 4 page files of 64 MiB checked byte for byte, %d records each\n", kRecords);
    std::printf("daemon data path (256 MiB, 64 KiB blocks, 4 pages, median of %d):   %5.0f MiB/s\n", kRuns, daemonRate);
    std::printf("plain loop doing the same work (same blocks, files, records):      %5.0f MiB/s\n", loopRate);
    std::printf("socat -u over loopback into a file (context, same 256 MiB):        %5.0f MiB/s\n",
                median(socatRates));
    std::printf("daemon / plain loop: %.0f%% (goal: at least 90%%)\n", 100.0 * daemonRate / loopRate);
    return 0;
}

// The network job: 4 A4 pages at 300 dpi in colour, each in 64 KiB blocks and a shorter last one.
constexpr size_t kNetworkPage = 2480 * 3508 * 3;
constexpr size_t kNetworkFullBlocks = kNetworkPage / kBlock;
constexpr size_t kNetworkLastBlock = kNetworkPage % kBlock;
constexpr size_t kNetworkTotal = kNetworkPage * kPages;
// Per page a begin record and its blocks; then the job's end.
constexpr int kNetworkRecords = kPages * (1 + static_cast<int>(kNetworkFullBlocks) + 1) + 1;
// What the simulated scanner sends for it: the job header, then per page a new
// page and its page header, the blocks with their headers; then the job's end.
constexpr size_t kNetworkStream = kJobHeaderSize +
                                  kPages * (2 * kBlockHeaderSize + (kNetworkFullBlocks + 1) * kBlockHeaderSize) +
                                  kNetworkTotal + kBlockHeaderSize;
const char kScannerAddress[] = "127.0.0.2";

std::string networkScript()
{
    std::string text = "start = HTTP/1.1 200 OK\\r\\nContent-Length: 10\\r\\n\\r\\nRESULT=0\\r\\n\njob\njobheader 0\n";
    for (int page = 0; page < kPages; ++page)
        text += "newfile 0\ndata " + std::to_string(kBlock) + " " + std::to_string(kFill) + " x" +
                std::to_string(kNetworkFullBlocks) + "\ndata " + std::to_string(kNetworkLastBlock) + " " +
                std::to_string(kFill) + "\n";
    return text + "jobdone\n";
}

// One network scan through the daemon, from the start request to the job's
// last record; zero when it went wrong.
Clock::duration networkDaemonRun()
{
    ScanClient client;
    if (!client.connectTo())
        return {};
    TCPScanStartReq request;
    zeroRecord(request);
    copyText(request.socket.szScannerIP, kScannerAddress);
    request.info.bitDepth = 24;
    request.info.compType = COMPRESSION_NONE;
    request.info.width = 2480;
    request.info.height = 3508;
    request.info.xResolution = request.info.yResolution = 300;
    const auto begin = Clock::now();
    TCPScanStartRes started;
    if (!client.sendRequest(TCP_SCAN_START, request) || !client.receiveReply(started, 20000) || started.result != 0)
        return {};
    int records = 0;
    TCPRecordRes record;
    do {
        if (!client.receiveReply(record, 60000))
            return {};
        ++records;
    } while (record.result == 0);
    const auto elapsed = Clock::now() - begin;
    terminateWireString(started.fileName);
    bool pagesRight = true;
    for (int page = 0; page < kPages; ++page)
        pagesRight = pageIsRight(std::string(started.fileName) + "_" + std::to_string(page) + ".tmp", kNetworkPage) &&
                     pagesRight;
    return records == kNetworkRecords && record.result == kSaneEndOfFile && pagesRight ? elapsed : Clock::duration{};
}

// socat taking the same stream from the simulated scanner's data port into a file.
Clock::duration socatFromScannerRun()
{
    const std::string output = kScanDir + "socat.out";
    const std::string connect = std::string("TCP:") + kScannerAddress + ":" + std::to_string(kScannerDataPort);
    const std::string create = "CREATE:" + output;
    const auto begin = Clock::now();
    const pid_t socat = fork();
    if (socat == 0) {
        execlp("socat", "socat", "-u", "-b", "65536", connect.c_str(), create.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (socat < 0 || waitpid(socat, &status, 0) != socat)
        return {};
    const auto elapsed = Clock::now() - begin;
    std::error_code error;
    const bool complete = std::filesystem::file_size(output, error) == kNetworkStream;
    std::filesystem::remove(output, error);
    return complete && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : Clock::duration{};
}

int measureNetwork(const char* shippedDaemon)
{
    SimScanner scanner(networkScript(), kScannerAddress);
    DaemonProcess daemon;
    if (!scanner.waitListening() || !daemon.start(shippedDaemon, {})) {
        std::fprintf(stderr, "the simulated scanner or the shipped daemon did not start\n");
        return 1;
    }
    std::vector<double> daemonRates, socatRates;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::duration viaDaemon = networkDaemonRun();
        const Clock::duration viaSocat = socatFromScannerRun();
        if (viaDaemon == Clock::duration{} || viaSocat == Clock::duration{}) {
            std::fprintf(stderr, "network run %d failed (daemon %s, socat %s)\n", run,
                         viaDaemon == Clock::duration{} ? "failed" : "ok",
                         viaSocat == Clock::duration{} ? "failed" : "ok");
            return 1;
        }
        daemonRates.push_back(mibPerSecond(viaDaemon, kNetworkTotal));
        socatRates.push_back(mibPerSecond(viaSocat, kNetworkTotal));
    }
    const double daemonRate = median(daemonRates);
    const double socatRate = median(socatRates);
    std::printf("every network run: 4 page files of %zu bytes checked byte for byte, %d records; socat's file "
                "the whole %zu-byte stream\n",
                kNetworkPage, kNetworkRecords, kNetworkStream);
    std::printf("network data path (4 A4 300 dpi colour pages, 64 KiB blocks, median of %d): %5.0f MiB/s\n", kRuns,
                daemonRate);
    std::printf("socat -u from the simulated scanner into a file (same stream):           %5.0f MiB/s\n", socatRate);
    std::printf("network / socat: %.0f%%\n", 100.0 * daemonRate / socatRate);
    return 0;
}

int measure(const char* scriptedDaemon, const char* shippedDaemon)
{
    std::printf("load average before: %s\n", loadAverage().c_str());
    std::filesystem::create_directories(kScanDir);
    // One daemon at a time listens on 7003: the scripted one ends with its row.
    const int result = measureUsb(scriptedDaemon) != 0 ? 1 : measureNetwork(shippedDaemon);
    std::printf("load average after: %s\n", loadAverage().c_str());
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--inside") == 0)
        return measure(argv[2], argv[3]);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    execl(PRIVATE_NS_SCRIPT, PRIVATE_NS_SCRIPT, self.c_str(), "--inside", SCRIPTED_DAEMON, SHIPPED_DAEMON,
          static_cast<char*>(nullptr));
    std::perror("private-ns.sh");
    return 1;
}
