// The daemon's data path against a plain loop doing the same work: 256 MiB
// in 64 KiB blocks (4 pages of 1024 blocks) from the scripted scanner through
// the real daemon into page files on a tmpfs, with one 16-byte record per
// block to a reading client on loopback; and, as the anchor, a forked process
// that fills the same blocks in memory, writes them into 4 new files on the
// same tmpfs and sends the same 4105 records over loopback to a reading
// process. `socat -u` receiving the same 256 MiB over loopback into a file
// stays as a row of context. Every run's page contents and record count are
// checked. Prints the median of 5 runs of each in MiB/s.
// Runs itself inside tools/private-ns.sh (a tmpfs over /opt, own loopback).

#include "daemon_process.h"
#include "scan_client.h"

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
constexpr int kRuns = 5;
constexpr int kLoopPort = 7101;
constexpr int kSocatPort = 7100;

const std::string kScanDir = std::string(taliro::kInstallRoot) + "scan/";

using Clock = std::chrono::steady_clock;

double mibPerSecond(Clock::duration elapsed)
{
    return static_cast<double>(kTotal) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
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

// True when the file holds exactly one page of the fill byte; it is removed.
bool pageIsRight(const std::string& path)
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
    return right && bytes == kPageBytes;
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

int measure(const char* scriptedDaemon)
{
    std::printf("load average before: %s\n", loadAverage().c_str());
    std::filesystem::create_directories(kScanDir);
    const std::string scriptPath = std::string(taliro::kInstallRoot) + "bench-scanner.txt";
    writeWholeFile(scriptPath, script());
    DaemonProcess daemon;
    if (!daemon.start(scriptedDaemon, {scriptPath})) {
        std::fprintf(stderr, "the scripted daemon did not start\n");
        return 1;
    }
    std::vector<double> daemonRates, loopRates, socatRates;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::duration viaDaemon = daemonRun();
        const Clock::duration viaLoop = plainLoopRun();
        const Clock::duration viaSocat = socatRun();
        if (viaDaemon == Clock::duration{} || viaLoop == Clock::duration{} || viaSocat == Clock::duration{}) {
            std::fprintf(stderr, "run %d failed (daemon %s, loop %s, socat %s)\n", run,
                         viaDaemon == Clock::duration{} ? "failed" : "ok", viaLoop == Clock::duration{} ? "failed" : "ok",
                         viaSocat == Clock::duration{} ? "failed" : "ok");
            return 1;
        }
        daemonRates.push_back(mibPerSecond(viaDaemon));
        loopRates.push_back(mibPerSecond(viaLoop));
        socatRates.push_back(mibPerSecond(viaSocat));
    }
    const double daemonRate = median(daemonRates);
    const double loopRate = median(loopRates);
    std::printf("every run: 4 page files of 64 MiB checked byte for byte, %d records each\n", kRecords);
    std::printf("daemon data path (256 MiB, 64 KiB blocks, 4 pages, median of %d):   %5.0f MiB/s\n", kRuns, daemonRate);
    std::printf("plain loop doing the same work (same blocks, files, records):      %5.0f MiB/s\n", loopRate);
    std::printf("socat -u over loopback into a file (context, same 256 MiB):        %5.0f MiB/s\n",
                median(socatRates));
    std::printf("daemon / plain loop: %.0f%% (goal: at least 90%%)\n", 100.0 * daemonRate / loopRate);
    std::printf("load average after: %s\n", loadAverage().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--inside") == 0)
        return measure(argv[2]);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    execl(PRIVATE_NS_SCRIPT, PRIVATE_NS_SCRIPT, self.c_str(), "--inside", SCRIPTED_DAEMON, static_cast<char*>(nullptr));
    std::perror("private-ns.sh");
    return 1;
}
