// The daemon's USB data path: a 4-page A4 300 dpi colour job (2480 x 3508 x 3
// bytes a page, blocks of 8 lines) from the scanner simulated on the umockdev
// bed, through the real ScanLinkDaemon (its data process reading 512-byte
// bulk requests, writing page files on a tmpfs and sending a record per
// block over loopback), against a plain loop in a process of its own that
// reads the same job from the same emulated device in 512-byte bulk requests
// and writes it in 64 KiB pieces into a file on the same tmpfs. Both pay the
// emulation's cost per request, which dominates. Checks the daemon's page
// files and the loop's bytes, then prints the median of 3 runs of each in
// MiB/s of image data.
// Runs itself inside tools/private-ns.sh and umockdev-wrapper, with a /dev of its own.

#include "daemon_process.h"
#include "private_mounts.h"
#include "scan_client.h"
#include "scanner_protocol.h"
#include "simulated_scanner.h"

#include <taliro/install_root.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/usbdevice_fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr size_t kLine = 2480 * 3;
constexpr size_t kLines = 3508;
constexpr size_t kLinesPerBlock = 8;
constexpr size_t kPage = kLine * kLines;
constexpr int kPages = 4;
constexpr size_t kImageBytes = kPage * kPages;
constexpr int kRuns = 3;
constexpr size_t kFilePiece = 64 * 1024;
constexpr size_t kRecordsPerJob = kPages * (2 + (kLines + kLinesPerBlock - 1) / kLinesPerBlock) + 1;

const std::string kScanDir = std::string(taliro::kInstallRoot) + "scan/";

Bytes blockPayload()
{
    Bytes payload(kLine * kLinesPerBlock);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>((i * 31) ^ (i >> 9));
    return payload;
}

const Bytes& fullBlock()
{
    static const Bytes payload = blockPayload();
    return payload;
}

Bytes lastBlock()
{
    const size_t lines = kLines % kLinesPerBlock;
    return Bytes(fullBlock().begin(), fullBlock().begin() + static_cast<long>(lines * kLine));
}

std::vector<SimulatedScanner::Step> job()
{
    std::vector<SimulatedScanner::Step> steps;
    for (int page = 0; page < kPages; ++page) {
        steps.push_back(SimulatedScanner::block(SCAN_STATUS_BEGIN_OF_PAGE));
        steps.push_back(SimulatedScanner::block(SCAN_STATUS_OPERATION_CONTINUOUS, fullBlock(), kLines / kLinesPerBlock));
        steps.push_back(SimulatedScanner::block(SCAN_STATUS_OPERATION_CONTINUOUS, lastBlock()));
        steps.push_back(SimulatedScanner::block(SCAN_STATUS_END_OF_PAGE));
    }
    steps.push_back(SimulatedScanner::block(SCAN_STATUS_END_OF_DATA));
    return steps;
}

Bytes expectedPage()
{
    Bytes page;
    page.reserve(kPage);
    for (size_t block = 0; block < kLines / kLinesPerBlock; ++block)
        page.insert(page.end(), fullBlock().begin(), fullBlock().end());
    const Bytes last = lastBlock();
    page.insert(page.end(), last.begin(), last.end());
    return page;
}

// Everything the device sends for the job: records and image data.
Bytes expectedStream()
{
    Bytes stream;
    stream.reserve(kImageBytes + kRecordsPerJob * kScanRecordSize);
    const auto add = [&stream](const Bytes& bytes) { stream.insert(stream.end(), bytes.begin(), bytes.end()); };
    const Bytes last = lastBlock();
    for (int page = 0; page < kPages; ++page) {
        add(SimulatedScanner::scanRecord(SCAN_STATUS_BEGIN_OF_PAGE, kScanRecordBodySize));
        for (size_t block = 0; block < kLines / kLinesPerBlock; ++block) {
            add(SimulatedScanner::scanRecord(0, static_cast<uint16_t>(kScanRecordBodySize + fullBlock().size())));
            add(fullBlock());
        }
        add(SimulatedScanner::scanRecord(0, static_cast<uint16_t>(kScanRecordBodySize + last.size())));
        add(last);
        add(SimulatedScanner::scanRecord(SCAN_STATUS_END_OF_PAGE, kScanRecordBodySize));
    }
    add(SimulatedScanner::scanRecord(SCAN_STATUS_END_OF_DATA, kScanRecordBodySize));
    return stream;
}

double mibPerSecond(Clock::duration elapsed)
{
    return static_cast<double>(kImageBytes) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

SettingInfo colourA4()
{
    SettingInfo info;
    zeroRecord(info);
    info.bitDepth = 24;
    info.width = 2480;
    info.height = 3508;
    info.xResolution = info.yResolution = 300;
    return info;
}

// One job through the daemon; the elapsed time, or zero when it went wrong.
Clock::duration daemonRun(SimulatedScanner& scanner, const Bytes& page)
{
    scanner.queueJob(job());
    ScanClient client;
    int32_t count = 0;
    std::vector<USBFindDevRes> devices;
    if (!client.connectTo() || !client.findDevices(0x2F7A, 0x5A01, true, count, devices) || count != 1)
        return {};
    USBScanLockReq lock;
    zeroRecord(lock);
    lock.devfd = devices[0].fd;
    lock.info = colourA4();
    int32_t locked = -1;
    if (!client.sendRequest(USB_SCAN_LOCK, lock) || !client.receiveReply(locked) || locked != 0)
        return {};
    const auto begin = Clock::now();
    USBScanStartRes started;
    if (!client.sendRequest(USB_SCAN_START, USBCommonReq{devices[0].fd}) || !client.receiveReply(started) ||
        started.result != 0)
        return {};
    USBScanRecordRes record;
    size_t records = 0;
    do {
        if (!client.receiveReply(record, 120000))
            return {};
        ++records;
    } while (record.result == 0);
    const auto elapsed = Clock::now() - begin;
    int32_t unlocked = -1;
    client.sendRequest(USB_SCAN_UNLOCK, USBCommonReq{devices[0].fd});
    client.receiveReply(unlocked);
    terminateWireString(started.fileName);
    bool pagesRight = record.result == kSaneEndOfFile && records == kRecordsPerJob && unlocked == 0;
    for (int k = 0; k < kPages; ++k) {
        const std::string path = std::string(started.fileName) + "_" + std::to_string(k) + ".tmp";
        const std::string stored = readWholeFile(path);
        pagesRight = pagesRight && stored.size() == page.size() && std::memcmp(stored.data(), page.data(), page.size()) == 0;
        std::filesystem::remove(path);
    }
    if (!pagesRight)
        std::fprintf(stderr, "the daemon's records or page files are not the job's\n");
    return pagesRight ? elapsed : Clock::duration{};
}

int bulk(int fd, unsigned int endpoint, uint8_t* data, unsigned int length)
{
    usbdevfs_bulktransfer transfer{endpoint, length, 30000, data};
    return ioctl(fd, USBDEVFS_BULK, &transfer);
}

bool sendCommand(int fd, const void* command, unsigned int length)
{
    uint8_t response[512];
    return bulk(fd, 0x02, static_cast<uint8_t*>(const_cast<void*>(command)), length) == static_cast<int>(length) &&
           bulk(fd, 0x82, response, sizeof response) == static_cast<int>(sizeof(ResCommon));
}

// The plain loop, in a process of its own as the daemon's data process is:
// lock, start, then 512-byte requests until `size` bytes came, written to the
// file in 64 KiB pieces as the daemon writes whole blocks. Prints the
// nanoseconds from the start to the last byte; exit status 0 when all went right.
int readLoop(const char* path, size_t size)
{
    const int fd = open(usb_testing::UmockdevPrinter::nodePath(0).c_str(), O_RDWR | O_CLOEXEC);
    const int out = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const ReqScanLock lock = buildScanLock(colourA4());
    const ReqCommon start = commandHeader(kScanClass, kScanStartCode);
    const ReqCommon unlock = commandHeader(kScanClass, kScanUnlockCode);
    bool right = fd >= 0 && out >= 0 && sendCommand(fd, &lock, kScanLockSentSize);
    const auto begin = Clock::now();
    right = right && sendCommand(fd, &start, sizeof start);
    Bytes piece(kFilePiece);
    size_t filled = 0;
    size_t received = 0;
    while (right && received < size) {
        const unsigned int request = static_cast<unsigned int>(std::min<size_t>(512, piece.size() - filled));
        const int got = bulk(fd, 0x82, piece.data() + filled, request);
        right = got > 0;
        filled += right ? static_cast<size_t>(got) : 0;
        received += right ? static_cast<size_t>(got) : 0;
        if (right && (filled == piece.size() || received == size)) {
            right = write(out, piece.data(), filled) == static_cast<ssize_t>(filled);
            filled = 0;
        }
    }
    const auto elapsed = Clock::now() - begin;
    right = right && sendCommand(fd, &unlock, sizeof unlock);
    std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()));
    return right && close(out) == 0 && close(fd) == 0 ? 0 : 1;
}

// The same job read by the plain loop; the elapsed time, or zero when it went wrong.
Clock::duration loopRun(SimulatedScanner& scanner, const Bytes& stream)
{
    scanner.queueJob(job());
    const std::string path = kScanDir + "loop.out";
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string size = std::to_string(stream.size());
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return {};
    const pid_t loop = fork();
    if (loop == 0) {
        dup2(output[1], STDOUT_FILENO);
        execl(self.c_str(), self.c_str(), "--loop", path.c_str(), size.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    char report[32] = {};
    size_t length = 0;
    while (length + 1 < sizeof report) {
        const ssize_t got = read(output[0], report + length, sizeof report - 1 - length);
        if (got <= 0)
            break;
        length += static_cast<size_t>(got);
    }
    close(output[0]);
    int status = 1;
    const bool ended = loop > 0 && waitpid(loop, &status, 0) == loop && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const long long nanoseconds = std::atoll(report);
    const bool reported = nanoseconds > 0;
    const std::string stored = readWholeFile(path);
    std::filesystem::remove(path);
    const bool right = reported && ended && stored.size() == stream.size() &&
                       std::memcmp(stored.data(), stream.data(), stream.size()) == 0;
    if (!right)
        std::fprintf(stderr, "the plain loop did not read the job's bytes\n");
    return right ? std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nanoseconds))
                 : Clock::duration{};
}

int measure(const char* daemonProgram)
{
    std::filesystem::create_directories(kScanDir);
    Mounts mounts;
    if (!mounts.ownDev(true) || !mounts.hideProcBus()) {
        std::fprintf(stderr, "no /dev of its own\n");
        return 1;
    }
    usb_testing::UmockdevPrinter bed;
    auto scanner = std::make_shared<SimulatedScanner>();
    if (!bed.active() || bed.addDevice(SimulatedScanner::device(0x2F7A, 0x5A01, "SN0001"), scanner) != 0) {
        std::fprintf(stderr, "no emulated scanner\n");
        return 1;
    }
    bed.recordTransfers(false);
    usb_testing::UmockdevPrinter::preloadPerProcessFiles();
    DaemonProcess daemon;
    if (!daemon.start(daemonProgram, {})) {
        std::fprintf(stderr, "the daemon did not start\n");
        return 1;
    }
    std::printf("load average before: %s", readWholeFile("/proc/loadavg").c_str());
    const Bytes page = expectedPage();
    const Bytes stream = expectedStream();
    std::vector<double> daemonRates, loopRates;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::duration viaDaemon = daemonRun(*scanner, page);
        const Clock::duration viaLoop = loopRun(*scanner, stream);
        if (viaDaemon == Clock::duration{} || viaLoop == Clock::duration{}) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        daemonRates.push_back(mibPerSecond(viaDaemon));
        loopRates.push_back(mibPerSecond(viaLoop));
    }
    daemon.killAll();
    const double daemonRate = median(daemonRates);
    const double loopRate = median(loopRates);
    std::printf("daemon USB data path (4 A4 300 dpi colour pages, 99.6 MiB, median of %d): %.1f MiB/s\n", kRuns,
                daemonRate);
    std::printf("plain loop of 512-byte bulk reads (same job, same emulation, median of %d): %.1f MiB/s\n", kRuns,
                loopRate);
    std::printf("daemon / loop: %.0f%%\n", 100.0 * daemonRate / loopRate);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--inside") == 0)
        return measure(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--loop") == 0)
        return readLoop(argv[2], std::strtoull(argv[3], nullptr, 10));
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    execl(PRIVATE_NS_SCRIPT, PRIVATE_NS_SCRIPT, "umockdev-wrapper", self.c_str(), "--inside", SCAN_LINK_DAEMON,
          static_cast<char*>(nullptr));
    std::perror("private-ns.sh");
    return 1;
}
