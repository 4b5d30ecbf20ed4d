// The scan session's read loop against a plain write loop: a four-page A4
// colour job at 300 dpi (2480 x 3508 x 3 bytes a page) from the stand-in
// backend serving one prerendered page as fast as it can, timed from
// StartScan to sigJobCompleteBack; and a loop that fwrites the same bytes in
// 512 KiB pieces into four files in the same folder. As a row of context, a
// plain loop that reads the backend itself into a 512 KiB buffer and writes
// each piece, as the session must: what the backend's copy into the reader's
// buffer costs. Each side's page files are checked byte for byte; the sides
// take turns in a rotating order; the median of 15 runs of each, in MiB/s.
// Usage: scan_session_read_loop_bench [folder] (default: a new folder in /tmp)

#include "ScanBackendOptions.h"
#include "StandinScriptFile.h"
#include "SyntheticPage.h"
#include "VuroScanSDK.h"
#include "a4_colour_request.h"
#include "bench_figures.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
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
constexpr int kRuns = 15;
constexpr std::size_t kPiece = 512 * 1024;

using bench::Clock;
using bench::loadAverage;
using bench::median;
using bench::mibPerSecond;

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
        const Clock::time_point begin = Clock::now();
        if (m_session.StartScan(a4ColourRequest(300, true), m_base) != SANE_STATUS_GOOD)
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

// Reads the job straight from the backend, one 512 KiB piece after the other,
// and writes each page's pieces into its file; the options stay as the
// session set them.
class BackendLoop {
public:
    explicit BackendLoop(const std::string &base) : m_base(base)
    {
        void *library = dlopen(STANDIN_BACKEND, RTLD_NOW | RTLD_NOLOAD);
        if (!library)
            return;
        m_open = reinterpret_cast<decltype(m_open)>(dlsym(library, "sane_vuro_q804_open"));
        m_control = reinterpret_cast<decltype(m_control)>(dlsym(library, "sane_vuro_q804_control_option"));
        m_start = reinterpret_cast<decltype(m_start)>(dlsym(library, "sane_vuro_q804_start"));
        m_read = reinterpret_cast<decltype(m_read)>(dlsym(library, "sane_vuro_q804_read"));
    }

    Clock::duration run(const std::string &deviceName)
    {
        SANE_Handle handle = nullptr;
        if (!m_open || !m_control || !m_start || !m_read || m_open(deviceName.c_str(), &handle) != SANE_STATUS_GOOD)
            return {};
        std::vector<SANE_Byte> buffer(kPiece);
        const Clock::time_point begin = Clock::now();
        if (m_start(handle) != SANE_STATUS_GOOD)
            return {};
        std::FILE *file = nullptr;
        int pages = 0;
        SANE_Status status = SANE_STATUS_GOOD;
        for (;;) {
            SANE_Int length = 0;
            status = m_read(handle, buffer.data(), static_cast<SANE_Int>(kPiece), &length);
            SANE_Int state = 0;
            if (status != SANE_STATUS_GOOD ||
                m_control(handle, scan_backend::kOptionPageState, SANE_ACTION_GET_VALUE, nullptr, &state) !=
                    SANE_STATUS_GOOD)
                break;
            if (state == scan_backend::kPageBegins) {
                if (file)
                    std::fclose(file);
                file = std::fopen(pageName(m_base, pages++).c_str(), "wb");
                if (!file)
                    return {};
                std::setvbuf(file, nullptr, _IONBF, 0);
            }
            if (file && std::fwrite(buffer.data(), 1, static_cast<std::size_t>(length), file) !=
                            static_cast<std::size_t>(length))
                break;
        }
        if (file && std::fclose(file) != 0)
            return {};
        return status == SANE_STATUS_EOF && pages == kPages ? Clock::now() - begin : Clock::duration{};
    }

private:
    std::string m_base;
    SANE_Status (*m_open)(SANE_String_Const, SANE_Handle *) = nullptr;
    SANE_Status (*m_control)(SANE_Handle, SANE_Int, SANE_Action, void *, SANE_Int *) = nullptr;
    SANE_Status (*m_start)(SANE_Handle) = nullptr;
    SANE_Status (*m_read)(SANE_Handle, SANE_Byte *, SANE_Int, SANE_Int *) = nullptr;
};

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
    char pattern[] = "/tmp/taliro-read-loop-XXXXXX";
    const char *made = mkdtemp(pattern);
    return made ? made : "";
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
    standin::useScript(script, {"width=" + std::to_string(kWidth), "height=" + std::to_string(kHeight),
                                "feeder_pages=" + std::to_string(kPages), "prerendered=1"});

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
    const std::string backendBase = folder + "/backend";
    const std::string deviceName = devices.front().name;
    SessionRun sessionRun(session, sessionBase);
    BackendLoop backendLoop(backendBase);
    // A first run renders the page in the backend and warms the page cache.
    if (sessionRun.run() == Clock::duration{} || !pagesHold(sessionBase, page)) {
        std::fprintf(console, "the scan job failed\n");
        return 1;
    }
    std::vector<double> sessionRates, loopRates, backendRates;
    for (int run = 0; run < kRuns; ++run) {
        // Whichever side goes first finds the page cache as the last one left it: the order rotates.
        for (int turn = 0; turn < 3; ++turn) {
            const int side = (run + turn) % 3;
            const std::string &base = side == 0 ? sessionBase : side == 1 ? loopBase : backendBase;
            const Clock::duration took = side == 0   ? sessionRun.run()
                                         : side == 1 ? writeLoop(loopBase, page)
                                                     : backendLoop.run(deviceName);
            if (took == Clock::duration{} || !pagesHold(base, page)) {
                std::fprintf(console, "run %d of the %s failed or wrote wrong pages\n", run,
                             side == 0 ? "session" : side == 1 ? "fwrite loop" : "backend loop");
                return 1;
            }
            (side == 0 ? sessionRates : side == 1 ? loopRates : backendRates).push_back(mibPerSecond(jobBytes, took));
        }
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
    std::fprintf(console, "context: plain loop over the backend's reads, same pieces and files:          %.0f MiB/s\n",
                 median(backendRates));
    std::fprintf(console, "session / loop: %.0f%% (goal: at least 90%%)\n", 100.0 * sessionRate / loopRate);
    std::fprintf(console, "load average after: %s\n", loadAverage().c_str());
    return 0;
}
