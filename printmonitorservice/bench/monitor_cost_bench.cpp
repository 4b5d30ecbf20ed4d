// The cost of the installed PrintMonitorService over ten minutes, in three
// cases run side by side, each in its own namespaces with its own cupsd:
//   an idle Ready network printer (the simulated printer),
//   an idle USB printer (the umockdev bed),
//   a printing network printer (a job held printing by the test bed's backend).
// Each case runs the service as the only program of a PID namespace under
// process accounting, so every process it starts is counted by name. Printed
// beside what the service's intervals imply: processes a minute, the printer
// queries a minute, CPU seconds a minute of the service and of its children,
// and resident memory at minute 1 and at the end. The goal: no more processes
// than the intervals imply, and less than 1 MiB of growth. The run fails when
// the service did not do its work (its printer list and status file).
//
// Usage: printmonitor_cost_bench [--minutes N]   (default 10)

#include "child_process.h"
#include "cups_queues.h"
#include "printer_files.h"
#include "printer_list_reader.h"
#include "sim_printer.h"
#include "status_reply_builder.h"
#include "temp_folder.h"
#include "umockdev_printer.h"

#include <taliro/install_root.h>

#include <signal.h>
#include <spawn.h>
#include <sys/acct.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef BENCH_BUILD_DIR
#error "BENCH_BUILD_DIR must name the build folder"
#endif

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kRoot = taliro::kInstallRoot;

// The service's intervals (milliseconds) and counts that the figures are set against.
constexpr double kReadyIdleWaitMs = 100;  // a Ready network printer CUPS shows idle
constexpr double kJobChecks = 10;         // job checks a cycle
constexpr double kEmptyListingRuns = 11;  // an empty job listing: the first run and ten re-runs
constexpr double kRerunWaitMs = 1000;
constexpr double kUsbIntervalMs = 1500;
constexpr double kNetworkIntervalMs = 1000;

struct CaseSpec {
    const char* name;
    const char* title;
    bool usb;
    bool printing;
};

const CaseSpec kCases[] = {
    {"network-idle", "idle Ready network printer", false, false},
    {"usb-idle", "idle USB printer", true, false},
    {"network-printing", "printing network printer", false, true},
};

// ---------------------------------------------------------------- one case

struct ProcessSample {
    double cpuSeconds = 0;       // the service's own threads
    double childCpuSeconds = 0;  // its children, once reaped
    long rssKiB = 0;
    int threads = 0;
};

double TicksToSeconds(unsigned long long ticks)
{
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool Sample(pid_t pid, ProcessSample& sample)
{
    const std::string text = testsupport::readText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream fields(text.substr(close + 2));
    std::vector<std::string> values;
    std::string value;
    while (fields >> value)
        values.push_back(value);
    // After the name: state is field 3; utime 14, stime 15, cutime 16, cstime 17 (1-based).
    if (values.size() < 15)
        return false;
    sample.cpuSeconds = TicksToSeconds(std::stoull(values[11]) + std::stoull(values[12]));
    sample.childCpuSeconds = TicksToSeconds(std::stoull(values[13]) + std::stoull(values[14]));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            sample.rssKiB = std::stol(line.substr(6));
        if (line.rfind("Threads:", 0) == 0)
            sample.threads = std::stoi(line.substr(8));
    }
    return true;
}

// The names of the service's children running right now.
void NoteChildren(pid_t pid, std::set<std::string>& names)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr)
        return;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream children(tasks + "/" + entry->d_name + "/children");
        pid_t child = 0;
        while (children >> child) {
            std::ifstream comm("/proc/" + std::to_string(child) + "/comm");
            std::string name;
            if (std::getline(comm, name))
                names.insert(name);
        }
    }
    closedir(dir);
}

// comp_t: 13-bit mantissa, 3-bit base-8 exponent, in clock ticks.
double CompToSeconds(comp_t value)
{
    const unsigned long mantissa = value & 0x1FFF;
    const unsigned exponent = (value >> 13) & 0x7;
    return TicksToSeconds(mantissa << (3 * exponent));
}

struct AccountedChildren {
    std::map<std::string, long> counts;  // processes by name, begun in the window
    std::vector<long> eachMinute;        // all processes, by the minute of the run they began in
    double lpstatMeanMs = 0;
    double lpstatCpuSeconds = 0;
};

AccountedChildren ReadAccounting(const std::string& path, pid_t parent, std::time_t start, std::time_t from,
                                 std::time_t to)
{
    AccountedChildren result;
    result.eachMinute.assign(static_cast<std::size_t>((to - start + 59) / 60), 0);
    std::ifstream file(path, std::ios::binary);
    acct_v3 record{};
    double elapsed = 0;
    long lpstats = 0;
    while (file.read(reinterpret_cast<char*>(&record), sizeof record)) {
        if (static_cast<pid_t>(record.ac_ppid) != parent || record.ac_btime < start || record.ac_btime >= to)
            continue;
        ++result.eachMinute[static_cast<std::size_t>((record.ac_btime - start) / 60)];
        if (record.ac_btime < from)
            continue;
        const std::string name(record.ac_comm, strnlen(record.ac_comm, sizeof record.ac_comm));
        ++result.counts[name];
        if (name == "lpstat") {
            ++lpstats;
            elapsed += record.ac_etime;  // in 1/100 s
            result.lpstatCpuSeconds += CompToSeconds(record.ac_utime) + CompToSeconds(record.ac_stime);
        }
    }
    result.lpstatMeanMs = lpstats > 0 ? elapsed * 10.0 / static_cast<double>(lpstats) : 0;
    return result;
}

pid_t StartService()
{
    const std::string program = kRoot + "bin/PrintMonitorService";
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) == 0 ? pid : -1;
}

Bytes ReadyReply()
{
    StatusReplyContent content = SampleStatusReply();
    content.status = 0x00;
    content.errors.clear();
    content.warnings.clear();
    return BuildStatusReply(content);
}

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

int RunCase(const CaseSpec& benchCase, int minutes, const std::string& resultPath)
{
    std::ofstream result(resultPath);
    auto fail = [&result](const std::string& why) {
        result << "check=" << why << "\n";
        return 1;
    };
    if (getpid() != 1)
        return fail("not the first process of its own PID namespace");
    testsupport::TempFolder work;
    const std::string queue = benchCase.usb ? "Q1" : "N1";
    const Bytes reply = ReadyReply();
    std::string expectedStatus = Text(reply);

    std::unique_ptr<usb_testing::UmockdevPrinter> usb;
    std::unique_ptr<testbed::SimPrinter> printer;
    if (benchCase.usb) {
        usb = std::make_unique<usb_testing::UmockdevPrinter>();
        if (!usb->active())
            return fail("the USB case runs under umockdev-wrapper");
        usb_testing::FakeDevice device = usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123");
        const Bytes data(reply.begin() + 7, reply.end());
        device.controlAnswers[{0xA1, 0x33}] = usb_testing::FakeAnswer{0, data};
        if (usb->addDevice(device) != 0)
            return fail("no emulated printer");
        expectedStatus = std::string(7, '\0') + Text(data);
        if (!testbed::addCupsQueue(queue, "usb://Taliro/TX%20560MDW?serial=ABC123", "Taliro TX 560MDW"))
            return fail("lpadmin refused the queue");
    } else {
        printer = std::make_unique<testbed::SimPrinter>(
            "127.0.0.2", std::vector<std::string>{"--max-seconds", std::to_string(minutes * 60 + 300)});
        if (!printer->waitListening())
            return fail("the simulated printer did not start");
        printer->setReply(reply);
        if (!testbed::addCupsQueue(queue, "socket://127.0.0.2:9100", "Taliro TX 560PDN"))
            return fail("lpadmin refused the queue");
    }
    if (benchCase.printing) {
        work.write("job.txt", "page\n");
        if (testbed::printHeldJob(queue, work.file("job.txt")) <= 0)
            return fail("the job was not held printing");
    }

    // Every process of this namespace from here on is accounted.
    const std::string accounting = work.file("acct");
    work.write("acct", "");
    if (acct(accounting.c_str()) != 0)
        return fail(std::string("process accounting: ") + std::strerror(errno));
    const pid_t service = StartService();
    if (service <= 0)
        return fail("the service did not start");

    const auto start = Clock::now();
    const std::time_t startWall = std::time(nullptr);
    const auto minuteOne = start + std::chrono::minutes(1);
    const auto end = start + std::chrono::minutes(minutes);
    std::set<std::string> childrenSeen;
    ProcessSample first;
    ProcessSample last;
    std::time_t firstWall = 0;
    std::size_t queriesAtFirst = 0;
    bool firstTaken = false;
    auto queries = [&]() -> std::size_t {
        if (usb) {
            std::size_t count = 0;
            for (const auto& request : usb->controlRequests())
                count += request.request == 0x33 ? 1 : 0;
            return count;
        }
        return printer->frames().size();
    };
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        NoteChildren(service, childrenSeen);
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        if (!firstTaken && Clock::now() >= minuteOne) {
            if (!Sample(service, first))
                return fail("the service ended");
            firstWall = std::time(nullptr);
            queriesAtFirst = queries();
            firstTaken = true;
        }
    }
    if (!Sample(service, last))
        return fail("the service ended");
    const std::time_t lastWall = std::time(nullptr);
    const std::size_t queriesAtLast = queries();
    const double window = std::chrono::duration<double>(Clock::now() - minuteOne).count() / 60.0;

    // Its work: the queue listed, the printer's reply in its status file.
    const QList<stPrinterInfo> listed = GetPrinterInfo(QString::fromStdString(kRoot));
    const std::string status = testsupport::readText(kRoot + "cfg/" + queue + ".dat");
    kill(service, SIGKILL);
    waitpid(service, nullptr, 0);
    acct(nullptr);
    const AccountedChildren children = ReadAccounting(accounting, service, startWall, firstWall, lastWall);

    long processes = 0;
    std::string byName;
    for (const auto& [name, count] : children.counts) {
        processes += count;
        byName += (byName.empty() ? "" : " ") + name + ":" + std::to_string(count);
    }
    std::string eachMinute;
    for (const long count : children.eachMinute)
        eachMinute += (eachMinute.empty() ? "" : " ") + std::to_string(count);
    std::string seen;
    for (const std::string& name : childrenSeen)
        seen += (seen.empty() ? "" : " ") + name;
    result << "window_minutes=" << window << "\n"
           << "processes_per_min=" << processes / window << "\n"
           << "processes_by_name=" << byName << "\n"
           << "processes_each_minute=" << eachMinute << "\n"
           << "children_seen=" << seen << "\n"
           << "lpstat_mean_ms=" << children.lpstatMeanMs << "\n"
           << "queries_per_min=" << static_cast<double>(queriesAtLast - queriesAtFirst) / window << "\n"
           << "service_cpu_s_per_min=" << (last.cpuSeconds - first.cpuSeconds) / window << "\n"
           << "children_cpu_s_per_min=" << (last.childCpuSeconds - first.childCpuSeconds) / window << "\n"
           << "rss_first_kib=" << first.rssKiB << "\n"
           << "rss_last_kib=" << last.rssKiB << "\n"
           << "threads=" << last.threads << "\n";
    if (listed.size() != 1 || listed[0].strName.toStdString() != queue)
        return fail("the printer list does not hold the queue alone");
    if (status != expectedStatus)
        return fail("the status file is not the printer's reply");
    for (const auto& [name, count] : children.counts)
        if (name != "lpstat")
            return fail("the service started " + name);
    result << "check=ok\n";
    return 0;
}

// ---------------------------------------------------------------- the driver

std::map<std::string, std::string> ReadResult(const std::string& path)
{
    std::map<std::string, std::string> values;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

double Number(const std::map<std::string, std::string>& values, const char* key)
{
    const auto found = values.find(key);
    return found == values.end() ? NAN : std::strtod(found->second.c_str(), nullptr);
}

struct Implied {
    double bound;        // from the intervals alone
    double withLpstat;   // with the measured time of one lpstat run
    double queries;      // printer queries a minute
    std::string derivation;
};

Implied ImpliedFigures(const CaseSpec& benchCase, double lpstatMs)
{
    char text[512];
    if (benchCase.usb) {
        // A cycle: one USB request, then ten job checks of an empty listing,
        // each eleven runs with ten waits of 1 s, then a tenth of 1500 ms.
        const double runs = kJobChecks * kEmptyListingRuns;
        const double cycleMs = kJobChecks * (10 * kRerunWaitMs + kUsbIntervalMs / kJobChecks);
        const double cycleWithLpstat = cycleMs + runs * lpstatMs;
        std::snprintf(text, sizeof text,
                      "%.0f job checks x %.0f runs of lpstat per cycle of %.0f x (10 x 1 s + 150 ms) = %.1f s: "
                      "%.0f a minute at 100 s a cycle, %.1f with lpstat's %.1f ms a run; one USB request a cycle",
                      kJobChecks, kEmptyListingRuns, kJobChecks, cycleMs / 1000, runs * 60000 / 100000,
                      runs * 60000 / cycleWithLpstat, lpstatMs);
        return {runs * 60000 / 100000, runs * 60000 / cycleWithLpstat, 60000 / cycleWithLpstat, text};
    }
    if (!benchCase.printing) {
        std::snprintf(text, sizeof text,
                      "one lpstat -p per %.0f ms wait: %.0f a minute, %.1f with lpstat's %.1f ms a run; "
                      "no printer query while CUPS shows it idle",
                      kReadyIdleWaitMs, 60000 / kReadyIdleWaitMs, 60000 / (kReadyIdleWaitMs + lpstatMs), lpstatMs);
        return {60000 / kReadyIdleWaitMs, 60000 / (kReadyIdleWaitMs + lpstatMs), 0, text};
    }
    // A cycle: lpstat -p (printing), one UDP query, ten job checks of one run
    // each with a tenth of 1000 ms after each.
    const double runs = 1 + kJobChecks;
    const double cycleWithLpstat = kNetworkIntervalMs + runs * lpstatMs;
    std::snprintf(text, sizeof text,
                  "lpstat -p and %.0f job checks of one run each per cycle of 10 x 100 ms: %.0f a second, "
                  "%.0f a minute, %.1f with lpstat's %.1f ms a run; one UDP query a cycle",
                  kJobChecks, runs, runs * 60000 / kNetworkIntervalMs, runs * 60000 / cycleWithLpstat, lpstatMs);
    return {runs * 60000 / kNetworkIntervalMs, runs * 60000 / cycleWithLpstat, 60000 / cycleWithLpstat, text};
}

std::string SelfPath()
{
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

int RunAll(int minutes)
{
    testsupport::TempFolder results;
    const std::string self = SelfPath();
    std::vector<std::unique_ptr<testbed::ChildProcess>> runs;
    std::printf("PrintMonitorService, %d minutes per case, the three cases side by side (%s)\n", minutes,
                BENCH_BUILD_DIR);
    std::fflush(stdout);
    for (const CaseSpec& benchCase : kCases) {
        std::vector<std::string> argv = {"/bin/sh", TALIRO_TOOLS_DIR "/private-ns.sh",
                                         "/bin/sh", TALIRO_TOOLS_DIR "/with-install.sh",
                                         BENCH_BUILD_DIR, kRoot,
                                         "/bin/sh", TESTBED_CUPS_SCRIPT,
                                         "run", "--seconds", std::to_string(minutes * 60 + 300),
                                         "unshare", "--pid", "--fork", "--mount-proc"};
        if (benchCase.usb)
            argv.push_back(TESTBED_UMOCKDEV_RUN);
        argv.insert(argv.end(), {self, "--case", benchCase.name, "--minutes", std::to_string(minutes), "--result",
                                 results.file(benchCase.name)});
        runs.push_back(std::make_unique<testbed::ChildProcess>(argv));
    }
    bool checked = true;
    for (auto& run : runs)
        checked = run->waitExit((minutes * 60 + 600) * 1000) == 0 && checked;

    bool goals = true;
    std::printf("\n%-28s %10s %10s %10s %9s %9s %8s %8s %8s %8s %8s\n", "case", "proc/min", "implied", "bound",
                "query/min", "implied", "svc CPU", "child", "RSS 1min", "RSS end", "growth");
    std::printf("%-28s %10s %10s %10s %9s %9s %8s %8s %8s %8s %8s\n", "", "measured", "w/ lpstat", "intervals",
                "measured", "", "s/min", "s/min", "KiB", "KiB", "KiB");
    std::vector<std::string> notes;
    for (const CaseSpec& benchCase : kCases) {
        auto values = ReadResult(results.file(benchCase.name));
        const Implied implied = ImpliedFigures(benchCase, Number(values, "lpstat_mean_ms"));
        const double processes = Number(values, "processes_per_min");
        const double growth = Number(values, "rss_last_kib") - Number(values, "rss_first_kib");
        std::printf("%-28s %10.1f %10.1f %10.1f %9.1f %9.1f %8.3f %8.3f %8.0f %8.0f %8.0f\n", benchCase.title, processes,
                    implied.withLpstat, implied.bound, Number(values, "queries_per_min"), implied.queries,
                    Number(values, "service_cpu_s_per_min"), Number(values, "children_cpu_s_per_min"),
                    Number(values, "rss_first_kib"), Number(values, "rss_last_kib"), growth);
        const bool processGoal = processes <= implied.bound;
        const bool memoryGoal = growth < 1024;
        goals = goals && processGoal && memoryGoal;
        notes.push_back(std::string(benchCase.title) + ":\n    implied: " + implied.derivation +
                        "\n    processes started (accounted): " + values["processes_by_name"] +
                        " from minute 1 to the end (" + values["window_minutes"] + " min); in each minute: " +
                        values["processes_each_minute"] + "\n    children seen running (a child bears its thread's name until its exec): " +
                        values["children_seen"] + "; service threads: " + values["threads"] +
                        "\n    goal, processes within the intervals' figure: " + (processGoal ? "met" : "NOT met") +
                        "; memory growth below 1 MiB: " + (memoryGoal ? "met" : "NOT met") +
                        "\n    output check: " + (values.count("check") ? values.at("check") : "no result"));
    }
    std::printf("\n");
    for (const std::string& note : notes)
        std::printf("%s\n", note.c_str());
    std::printf("\nFigures from minute 1 to the end. A new printer starts Off-line, so its first cycle is ten job\n"
                "checks of an empty listing (about 100 s) before the network printer's short cycles begin. CPU of\n"
                "the children is that of the lpstat runs the service reaped. The USB case runs under umockdev's\n"
                "preload library, which also serves the service's lpstat runs.\n");
    std::printf("goals %s; output %s\n", goals ? "met" : "NOT met", checked ? "checked" : "FAILED");
    return checked ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    int minutes = 10;
    std::string caseName;
    std::string resultPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--minutes")
            minutes = std::atoi(argv[i + 1]);
        else if (option == "--case")
            caseName = argv[i + 1];
        else if (option == "--result")
            resultPath = argv[i + 1];
    }
    if (minutes < 2 || (argc % 2) == 0) {
        std::fprintf(stderr, "usage: %s [--minutes N]   (N >= 2, default 10)\n", argv[0]);
        return 2;
    }
    if (caseName.empty())
        return RunAll(minutes);
    for (const CaseSpec& benchCase : kCases)
        if (caseName == benchCase.name)
            return RunCase(benchCase, minutes, resultPath);
    std::fprintf(stderr, "unknown case %s\n", caseName.c_str());
    return 2;
}
