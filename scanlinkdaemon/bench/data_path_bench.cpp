// The daemon's data path against socat: 256 MiB in 64 KiB blocks (4 pages)
// from the scripted scanner through the real daemon into page files on a
// tmpfs, with one 16-byte record per block to a client on loopback; and
// `socat -u` receiving the same 256 MiB in 64 KiB writes over loopback into a
// file on the same tmpfs. Prints the median of 5 runs of each in MiB/s.
// Runs itself inside tools/private-ns.sh (a tmpfs over /opt, own loopback).

#include "daemon_process.h"
#include "scan_client.h"

#include <taliro/install_root.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
constexpr size_t kTotal = kBlock * kBlocksPerPage * kPages;
constexpr int kRuns = 5;
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

std::string script()
{
    std::string text = "device 0x2f7a 0x5a01 Taliro Q804 SN0001\njob\n";
    for (int page = 0; page < kPages; ++page)
        text += "block 9 0\nblock 0 0 65536 0x42 x" + std::to_string(kBlocksPerPage) + "\nblock 7 0\n";
    return text + "block 1 5\n";
}

// One scan through the daemon; the elapsed time, or zero when it went wrong.
Clock::duration daemonRun()
{
    ScanClient client;
    if (!client.connectTo())
        return {};
    USBFindDevReq find;
    zeroRecord(find);
    find.vid = 0x2f7a;
    int32_t count = 0;
    USBFindDevRes device;
    if (!client.sendRequest(USB_FIND_DEV, find) || !client.receiveReply(count) || count != 1 ||
        !client.receiveReply(device))
        return {};
    const auto begin = Clock::now();
    USBCommonReq start{device.fd};
    USBScanStartRes started;
    if (!client.sendRequest(USB_SCAN_START, start) || !client.receiveReply(started) || started.result != 0)
        return {};
    USBScanRecordRes record;
    do {
        if (!client.receiveReply(record, 60000))
            return {};
    } while (record.result == 0);
    const auto elapsed = Clock::now() - begin;
    terminateWireString(started.fileName);
    size_t stored = 0;
    for (int page = 0; page < kPages; ++page) {
        const std::string path = std::string(started.fileName) + "_" + std::to_string(page) + ".tmp";
        stored += std::filesystem::file_size(path);
        std::filesystem::remove(path);
    }
    return record.result == 5 && stored == kTotal ? elapsed : Clock::duration{};
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
    const std::vector<char> block(kBlock, 0x42);
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
    std::filesystem::create_directories(kScanDir);
    const std::string scriptPath = std::string(taliro::kInstallRoot) + "bench-scanner.txt";
    writeWholeFile(scriptPath, script());
    DaemonProcess daemon;
    if (!daemon.start(scriptedDaemon, {scriptPath})) {
        std::fprintf(stderr, "the scripted daemon did not start\n");
        return 1;
    }
    std::vector<double> daemonRates, socatRates;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::duration viaDaemon = daemonRun();
        const Clock::duration viaSocat = socatRun();
        if (viaDaemon == Clock::duration{} || viaSocat == Clock::duration{}) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        daemonRates.push_back(mibPerSecond(viaDaemon));
        socatRates.push_back(mibPerSecond(viaSocat));
    }
    const double daemonRate = median(daemonRates);
    const double socatRate = median(socatRates);
    std::printf("daemon data path (256 MiB, 64 KiB blocks, 4 pages, median of %d): %.0f MiB/s\n", kRuns, daemonRate);
    std::printf("socat -u over loopback into a file (same data, median of %d):   %.0f MiB/s\n", kRuns, socatRate);
    std::printf("daemon / socat: %.0f%% (goal: at least 70%%)\n", 100.0 * daemonRate / socatRate);
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
