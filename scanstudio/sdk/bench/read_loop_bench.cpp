// The scan session's read loop against a plain write loop: a four-page A4
// colour job at 300 dpi (2480 x 3508 x 3 bytes a page) from the stand-in
// backend serving one prerendered page as fast as it can, timed from
// StartScan to sigJobCompleteBack; and a loop that fwrites the same bytes in
// 512 KiB pieces into four files in the same folder. Each side's page files
// are checked byte for byte; the median of 7 runs of each, in MiB/s.
// Usage: scan_session_read_loop_bench [folder] (default: a new folder in /dev/shm)

#include "SyntheticPage.h"
#include "VuroScanSDK.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;
constexpr int kPages = 4;
constexpr int kRuns = 7;
constexpr std::size_t kPiece = 512 * 1024;

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double mibPerSecond(std::size_t bytes, Clock::duration elapsed)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
}

bool fileHolds(const std::string &path, const std::vector<unsigned char> &expected)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return bytes == expected;
}

std::string pageName(const std::string &base, int page)
{
    return base + "_" + std::to_string(page) + ".rgb";
}

class SessionRun {
public:
    SessionRun(VuroScanSDK &session, const std::string &base) : m_session(session), m_base(base)
    {
        QObject::connect(&session, &VuroScanSDK::sigPageCompleteBack, &session,
                         [this](const QString &, int, int) { ++m_pages; }, Qt::DirectConnection);
        QObject::connect(&session, &VuroScanSDK::sigErrCallBack, &session, [this](int) { m_failed = true; },
                         Qt::DirectConnection);
        QObject::connect(&session, &VuroScanSDK::sigJobCompleteBack, &session, [this] { m_end = Clock::now(); },
                         Qt::DirectConnection);
    }

    // The job's time, or zero when it failed.
    Clock::duration run()
    {
        m_pages = 0;
        m_failed = false;
        tagSettingInfo info;
        info.xStart = 0;
        info.yStart = 0;
        info.xEnd = 210;
        info.yEnd = 297;
        info.resolution = 300;
        info.colorMode = 2;
        info.feederEnabled = 1;
        info.option5Value = 3;
        info.option6Value = 3;
        const Clock::time_point begin = Clock::now();
        if (m_session.StartScan(info, m_base) != SANE_STATUS_GOOD)
            return {};
        m_session.start();
        m_session.wait();
        m_session.CancelScan();
        return m_failed || m_pages != kPages ? Clock::duration{} : m_end - begin;
    }

private:
    VuroScanSDK &m_session;
    std::string m_base;
    std::atomic<int> m_pages{0};
    std::atomic<bool> m_failed{false};
    Clock::time_point m_end;
};

Clock::duration writeLoop(const std::string &base, const std::vector<unsigned char> &page)
{
    const Clock::time_point begin = Clock::now();
    for (int p = 0; p < kPages; ++p) {
        std::FILE *file = std::fopen(pageName(base, p).c_str(), "wb");
        if (!file)
            return {};
        for (std::size_t at = 0; at < page.size(); at += kPiece) {
            const std::size_t piece = std::min(kPiece, page.size() - at);
            if (std::fwrite(page.data() + at, 1, piece, file) != piece) {
                std::fclose(file);
                return {};
            }
        }
        if (std::fclose(file) != 0)
            return {};
    }
    return Clock::now() - begin;
}

bool pagesHold(const std::string &base, const std::vector<unsigned char> &page)
{
    bool all = true;
    for (int p = 0; p < kPages; ++p) {
        all = all && fileHolds(pageName(base, p), page);
        std::filesystem::remove(pageName(base, p));
    }
    return all;
}

std::string newFolder(int argc, char **argv)
{
    if (argc > 1)
        return argv[1];
    char pattern[] = "/dev/shm/taliro-read-loop-XXXXXX";
    char fallback[] = "/tmp/taliro-read-loop-XXXXXX";
    if (const char *made = mkdtemp(pattern))
        return made;
    const char *made = mkdtemp(fallback);
    return made ? made : "";
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::string folder = newFolder(argc, argv);
    if (folder.empty() || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "no folder for the page files\n");
        return 1;
    }
    const std::string script = folder + "/backend.script";
    std::ofstream(script) << "width=" << kWidth << "\nheight=" << kHeight << "\nfeeder_pages=" << kPages
                          << "\nprerendered=1\n";
    setenv("TALIRO_STANDIN_BACKEND_SCRIPT", script.c_str(), 1);

    const standin::SyntheticPage synthetic(0, kWidth, kHeight);
    std::vector<unsigned char> page(synthetic.byteCount());
    synthetic.copyBytes(0, page.size(), page.data());
    const std::size_t jobBytes = page.size() * kPages;

    // The session's trace lines go to the null device: they are not what is measured.
    std::fflush(stdout);
    std::FILE *console = fdopen(dup(fileno(stdout)), "w");
    if (!console || !std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
        return 1;
    std::setvbuf(console, nullptr, _IOLBF, 0);
    std::fprintf(console, "load average before: %s\n", loadAverage().c_str());

    VuroScanSDK session;
    std::vector<SANE_Device> devices;
    if (session.InitContext(STANDIN_BACKEND) != SANE_STATUS_GOOD || session.GetAllDevice(devices) != 0 ||
        devices.empty() || session.OpenDev(devices.front()) != SANE_STATUS_GOOD) {
        std::fprintf(console, "the stand-in backend did not open\n");
        return 1;
    }
    const std::string sessionBase = folder + "/session";
    const std::string loopBase = folder + "/loop";
    SessionRun sessionRun(session, sessionBase);
    // A first run renders the page in the backend and warms the page cache.
    if (sessionRun.run() == Clock::duration{} || !pagesHold(sessionBase, page)) {
        std::fprintf(console, "the scan job failed\n");
        return 1;
    }
    std::vector<double> sessionRates, loopRates;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::duration viaSession = sessionRun.run();
        const bool sessionPagesRight = pagesHold(sessionBase, page);
        const Clock::duration viaLoop = writeLoop(loopBase, page);
        const bool loopPagesRight = pagesHold(loopBase, page);
        if (viaSession == Clock::duration{} || viaLoop == Clock::duration{} || !sessionPagesRight ||
            !loopPagesRight) {
            std::fprintf(console, "run %d failed or wrote wrong pages (session %s, loop %s)\n", run,
                         sessionPagesRight ? "right" : "wrong", loopPagesRight ? "right" : "wrong");
            return 1;
        }
        sessionRates.push_back(mibPerSecond(jobBytes, viaSession));
        loopRates.push_back(mibPerSecond(jobBytes, viaLoop));
    }
    session.CloseDev();
    std::filesystem::remove(script);
    if (argc <= 1)
        std::filesystem::remove_all(folder);

    const double sessionRate = median(sessionRates);
    const double loopRate = median(loopRates);
    std::fprintf(console, "page files in %s; every page file of every run checked byte for byte\n", folder.c_str());
    std::fprintf(console, "scan session, StartScan to sigJobCompleteBack (4 pages of %zu bytes, median of %d): %.0f MiB/s\n",
                 page.size(), kRuns, sessionRate);
    std::fprintf(console, "fwrite loop, 512 KiB pieces into 4 files (same bytes, median of %d):            %.0f MiB/s\n",
                 kRuns, loopRate);
    std::fprintf(console, "session / loop: %.0f%% (goal: at least 90%%)\n", 100.0 * sessionRate / loopRate);
    std::fprintf(console, "load average after: %s\n", loadAverage().c_str());
    return 0;
}
