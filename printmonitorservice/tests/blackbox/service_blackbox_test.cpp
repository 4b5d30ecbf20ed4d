// The installed service as root against a private cupsd whose queues lpadmin
// made, the simulated network printer and the umockdev USB bed: what it
// publishes, the status files it keeps, its job watch, a single instance, and
// the CUPS files and queue names it leaves alone.

#include "cups_queues.h"
#include "lpstat_standin.h"
#include "monitor_service.h"
#include "sim_printer.h"
#include "status_reply_builder.h"
#include "temp_folder.h"
#include "umockdev_printer.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

namespace {

using monitor_test::InstalledExists;
using monitor_test::Describe;
using monitor_test::MonitorService;
using monitor_test::ReadInstalled;
using monitor_test::ReadPrinterList;
using monitor_test::WaitFor;

constexpr char kStatusQueryHex[] = "A5 00 0C 50 E0 74 08 03 00 00 00 00 00 00 00";

Bytes Reply(unsigned char status, std::uint64_t toner = 9950)
{
    StatusReplyContent content = SampleStatusReply();
    content.status = status;
    content.supplies[0] = NumberSupply(0x1000, toner, 2);
    return BuildStatusReply(content);
}

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

struct stat Stat(const std::string& relative)
{
    struct stat info {};
    stat(monitor_test::Installed(relative).c_str(), &info);
    return info;
}

std::set<std::string> CfgNames()
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(monitor_test::Installed("cfg"), error))
        names.insert(entry.path().filename().string());
    return names;
}

// Every case has its USB bed, so the service's libusb never sees the host's bus.
class InstalledService : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(usb.active()) << "run under umockdev-wrapper"; }

    usb_testing::UmockdevPrinter usb;
    testsupport::TempFolder work;
};

TEST_F(InstalledService, PublishesTheSupportedQueuesAndFollowsTheirRemoval)
{
    ASSERT_TRUE(testbed::addCupsQueue("Q1", "usb://Taliro/TX%20560MDW?serial=ABC123", "Taliro TX 560MDW"));
    ASSERT_TRUE(testbed::addCupsQueue("N1", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    ASSERT_TRUE(testbed::addCupsQueue("T1", "talirosocket://127.0.0.3:9100", "Taliro TX 560MDA"));
    ASSERT_TRUE(testbed::addCupsQueue("Q9", "socket://127.0.0.4:9100", "Other Laser 9"));
    ASSERT_EQ(testbed::runProgram({"/usr/sbin/lpadmin", "-d", "N1"}, 10000), 0);
    testbed::SimPrinter printer("127.0.0.2");
    ASSERT_TRUE(printer.waitListening());
    printer.setReply(Reply(0x02));
    // A status file of a queue that is gone, from an earlier run.
    std::filesystem::create_directories(monitor_test::Installed("cfg"));
    testsupport::writeText(monitor_test::Installed("cfg/Old.dat"), "old");

    MonitorService service(work.path());
    ASSERT_TRUE(WaitFor([] { return ReadPrinterList().count == 3; }, 10000));
    const monitor_test::PrinterList list = ReadPrinterList();
    EXPECT_EQ(list.groups, (std::vector<std::string>{"Main", "printer_0", "printer_1", "printer_2"}));
    const std::vector<std::string> expected = {
        "N1|Taliro TX 560PDN|2|127.0.0.2|socket://127.0.0.2:9100",
        "Q1|Taliro TX 560MDW|1|Taliro/TX%20560MDW?serial=ABC123|usb://Taliro/TX%20560MDW?serial=ABC123",
        "T1|Taliro TX 560MDA|2|127.0.0.3|talirosocket://127.0.0.3:9100",
    };
    EXPECT_EQ(Describe(list.printers), expected);
    EXPECT_FALSE(InstalledExists("cfg/Old.dat"));
    for (const char* file : {"cfg/printerlist.ini", "cfg/service.hb"})
        EXPECT_EQ(Stat(file).st_mode & 07777, 0644u) << file;

    // The heartbeat: a time stamp without line end, rewritten every cycle of
    // about 5 s; an unchanged list stays untouched meanwhile.
    ASSERT_TRUE(WaitFor([] { return InstalledExists("cfg/N1.dat"); }, 10000));
    EXPECT_EQ(Stat("cfg/N1.dat").st_mode & 07777, 0644u);
    const ino_t listInode = Stat("cfg/printerlist.ini").st_ino;
    const QRegularExpression form(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\]$"));
    std::vector<QDateTime> stamps;
    std::string last = ReadInstalled("cfg/service.hb");
    while (stamps.size() < 2) {
        ASSERT_TRUE(WaitFor([&last] { return ReadInstalled("cfg/service.hb") != last; }, 15000));
        last = ReadInstalled("cfg/service.hb");
        const QString text = QString::fromStdString(last);
        ASSERT_TRUE(form.match(text).hasMatch()) << last;
        stamps.push_back(QDateTime::fromString(text, QStringLiteral("[yyyy-MM-dd hh:mm:ss.zzz]")));
    }
    const qint64 cycleMs = stamps[0].msecsTo(stamps[1]);
    EXPECT_GE(cycleMs, 5000);
    EXPECT_LT(cycleMs, 10000);
    EXPECT_EQ(Stat("cfg/printerlist.ini").st_ino, listInode);

    ASSERT_TRUE(testbed::removeCupsQueue("N1"));
    ASSERT_TRUE(WaitFor([] { return ReadPrinterList().count == 2; }, 10000));
    EXPECT_EQ(ReadPrinterList().groups, (std::vector<std::string>{"Main", "printer_0", "printer_1"}));
    EXPECT_EQ(Describe(ReadPrinterList().printers), (std::vector<std::string>{expected[1], expected[2]}));
    EXPECT_TRUE(WaitFor([] { return !InstalledExists("cfg/N1.dat"); }, 5000));
}

TEST_F(InstalledService, OnlyOneOfSimultaneousStartsRuns)
{
    ASSERT_TRUE(testbed::addCupsQueue("N1", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    std::vector<std::unique_ptr<MonitorService>> starts;
    for (int i = 0; i < 3; ++i)
        starts.push_back(std::make_unique<MonitorService>(work.path()));
    // The two that find the service running end at once, with status 0.
    int ended = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            ended = 0;
            for (auto& start : starts)
                ended += start->waitExit(0) == 0 ? 1 : 0;
            return ended == 2;
        },
        5000));
    ASSERT_TRUE(WaitFor([] { return ReadPrinterList().count == 1; }, 10000));

    // A later start ends at once and writes nothing.
    const std::set<std::string> before = CfgNames();
    const ino_t listInode = Stat("cfg/printerlist.ini").st_ino;
    MonitorService later(work.path());
    EXPECT_EQ(later.waitExit(3000), 0);
    EXPECT_EQ(CfgNames(), before);
    EXPECT_EQ(Stat("cfg/printerlist.ini").st_ino, listInode);
    int running = 0;
    for (auto& start : starts)
        running += start->waitExit(0) == -1 ? 1 : 0;
    EXPECT_EQ(running, 1);
}

TEST_F(InstalledService, QueueNamesWithShellCharactersRunNothing)
{
    // Each queue at a printer of its own, printing a held job, so the service
    // asks lpstat about it both ways (-p and the job listing) every second.
    const std::vector<std::string> names = {"Q`touch${IFS}ran1`", "Q$(touch${IFS}ran2)", "Q;touch${IFS}ran3;",
                                            "Q|touch${IFS}ran4", "Q&touch${IFS}ran5&"};
    std::vector<std::unique_ptr<testbed::SimPrinter>> printers;
    work.write("job.txt", "page\n");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string address = "127.0.0." + std::to_string(2 + i);
        printers.push_back(std::make_unique<testbed::SimPrinter>(address));
        ASSERT_TRUE(printers.back()->waitListening());
        printers.back()->setReply(Reply(0x00));  // Ready: the service then asks CUPS whether it prints
        ASSERT_TRUE(testbed::addCupsQueue(names[i], "socket://" + address + ":9100", "Taliro TX 560PDN"));
        ASSERT_GT(testbed::printHeldJob(names[i], work.file("job.txt")), 0) << names[i];
    }
    testsupport::TempFolder cwd;
    MonitorService service(cwd.path());

    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_TRUE(WaitFor([&] { return printers[i]->frames().size() >= 3; }, 20000)) << names[i];
        EXPECT_TRUE(InstalledExists("cfg/" + names[i] + ".dat")) << names[i];
    }
    std::vector<std::string> listed;
    for (const stPrinterInfo& printer : ReadPrinterList().printers)
        listed.push_back(printer.strName.toStdString());
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), std::set<std::string>(names.begin(), names.end()));
    EXPECT_TRUE(cwd.names().empty()) << "a command in a queue name ran";
    for (const char* ran : {"ran1", "ran2", "ran3", "ran4", "ran5"})
        EXPECT_NE(access((std::string("/") + ran).c_str(), F_OK), 0) << ran;
}

TEST_F(InstalledService, StatusFileFollowsTheSimulatedPrinter)
{
    ASSERT_TRUE(testbed::addCupsQueue("N1", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    testbed::SimPrinter printer("127.0.0.2");
    ASSERT_TRUE(printer.waitListening());
    const Bytes first = Reply(0x02);
    printer.setReply(first);
    // A stand-in lpstat that lists a job keeps the cycles short.
    testbed::LpstatStandin lpstat;
    lpstat.setJobOutput(testbed::jobListing("N1-1", "job-printing"));
    MonitorService service(work.path(), lpstat.folder());

    ASSERT_TRUE(WaitFor([] { return InstalledExists("cfg/N1.dat"); }, 10000));
    EXPECT_EQ(ReadInstalled("cfg/N1.dat"), Text(first));
    const std::vector<testbed::SimFrame> frames = printer.frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].hex, kStatusQueryHex);
    EXPECT_EQ(frames[0].header, "ok");
    EXPECT_EQ(frames[0].sender.rfind("127.0.0.1:", 0), 0u) << frames[0].sender;

    // The same reply again and again: the file stays as it was written.
    const ino_t written = Stat("cfg/N1.dat").st_ino;
    ASSERT_TRUE(WaitFor([&] { return printer.frames().size() >= 4; }, 15000));
    EXPECT_EQ(Stat("cfg/N1.dat").st_ino, written);
    for (const testbed::SimFrame& frame : printer.frames())
        EXPECT_EQ(frame.hex, kStatusQueryHex);

    const Bytes second = Reply(0x02, 9949);
    printer.setReply(second);
    ASSERT_TRUE(WaitFor([&] { return ReadInstalled("cfg/N1.dat") == Text(second); }, 10000));
    EXPECT_NE(Stat("cfg/N1.dat").st_ino, written);

    // The job watch asks about the jobs of the service's user, root.
    const std::vector<std::string> calls = lpstat.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "-u root -W all -l -o N1");
}

TEST_F(InstalledService, SilentPrinterGoesOfflineOnTheSixthMissAndIsAskedLessOften)
{
    ASSERT_TRUE(testbed::addCupsQueue("N1", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    testbed::SimPrinter printer("127.0.0.2", {"--max-seconds", "300"});
    ASSERT_TRUE(printer.waitListening());
    printer.setReply(Reply(0x02));  // busy: asked every cycle
    testbed::LpstatStandin lpstat;
    lpstat.setJobOutput(testbed::jobListing("N1-1", "job-printing"));
    MonitorService service(work.path(), lpstat.folder());
    // A new printer starts Off-line, so its first cycle is a long one; from
    // the second, busy, it is asked about every second.
    ASSERT_TRUE(WaitFor([&] { return printer.frames().size() >= 2; }, 20000));
    ASSERT_TRUE(InstalledExists("cfg/N1.dat"));

    printer.setSilent();
    const std::size_t answered = printer.frames().size();
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> missedAt;
    auto waitForMiss = [&](int timeoutMs) {
        const std::size_t next = answered + missedAt.size() + 1;
        const bool seen = WaitFor([&] { return printer.frames().size() >= next; }, timeoutMs);
        missedAt.push_back(Clock::now());
        return seen;
    };
    for (int miss = 1; miss <= 6; ++miss) {
        ASSERT_TRUE(waitForMiss(10000)) << "query " << miss;
        // Five misses keep the printer's last status; the sixth query's wait has just begun.
        EXPECT_TRUE(InstalledExists("cfg/N1.dat")) << "after " << miss - 1 << " misses";
    }
    EXPECT_TRUE(WaitFor([] { return !InstalledExists("cfg/N1.dat"); }, 5000)) << "the sixth miss turns it Off-line";

    // Off-line, it is asked at once and then every 10 s or more.
    ASSERT_TRUE(waitForMiss(10000));
    ASSERT_TRUE(waitForMiss(30000));
    const auto gap = [&](std::size_t a, std::size_t b) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(missedAt[b] - missedAt[a]).count();
    };
    EXPECT_LT(gap(4, 5), 9000) << "while counting misses";
    EXPECT_GE(gap(6, 7), 9500) << "once Off-line";
}

TEST_F(InstalledService, UsbJobCancelledWhilePrintingGetsOneCancelRequest)
{
    // The queue names the serial number in another case than the device.
    ASSERT_TRUE(testbed::addCupsQueue("Q1", "usb://Taliro/TX%20560MDW?serial=abc123", "Taliro TX 560MDW"));
    const Bytes reply = Reply(0x00);
    const Bytes data(reply.begin() + 7, reply.end());
    usb_testing::FakeDevice device = usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123");
    device.controlAnswers[{0xA1, 0x33}] = usb_testing::FakeAnswer{0, data};
    device.controlAnswers[{0xA1, 0x34}] = usb_testing::FakeAnswer{0, {0x00}};
    ASSERT_EQ(usb.addDevice(device), 0);
    work.write("job.txt", "page\n");
    const int job = testbed::printHeldJob("Q1", work.file("job.txt"));
    ASSERT_GT(job, 0);

    auto requests = [this](std::uint8_t request) {
        int count = 0;
        for (const auto& record : usb.controlRequests())
            count += record.request == request ? 1 : 0;
        return count;
    };
    // The real lpstat, as root: the job is root's.
    MonitorService service(work.path());
    ASSERT_TRUE(WaitFor([] { return InstalledExists("cfg/Q1.dat"); }, 10000));
    EXPECT_EQ(ReadInstalled("cfg/Q1.dat"), std::string(7, '\0') + Text(data));
    // A second status request means a whole cycle of job checks saw the job printing.
    ASSERT_TRUE(WaitFor([&] { return requests(0x33) >= 2; }, 15000));
    EXPECT_EQ(requests(0x34), 0);

    // Its backend takes a while to end, as a device backend does: CUPS shows
    // the job stopping before it shows it cancelled.
    ASSERT_TRUE(testbed::setBackendStopDelay(2));
    ASSERT_EQ(testbed::runProgram({"/usr/bin/cancel", "Q1-" + std::to_string(job)}, 10000), 0);
    ASSERT_TRUE(WaitFor([&] { return requests(0x34) >= 1; }, 10000));
    const int statusRequestsAtCancel = requests(0x33);
    ASSERT_TRUE(WaitFor([&] { return requests(0x33) >= statusRequestsAtCancel + 2; }, 15000));
    EXPECT_EQ(requests(0x34), 1);
    for (const auto& record : usb.controlRequests()) {
        EXPECT_EQ(record.requestType, 0xA1);
        EXPECT_EQ(record.length, record.request == 0x34 ? 1017 : 1024);
    }
}

// Puts `make` in the place of the PPD that cupsd wrote for `queue`.
bool ReplacePpd(const std::string& queue, const std::function<int(const std::string&)>& make)
{
    const std::string path = "/etc/cups/ppd/" + queue + ".ppd";
    return unlink(path.c_str()) == 0 && make(path) == 0;
}

// Waits for two more heartbeats: the manager's loop goes on.
bool HeartbeatGoesOn()
{
    std::string last = ReadInstalled("cfg/service.hb");
    for (int beat = 0; beat < 2; ++beat) {
        if (!WaitFor([&last] { return ReadInstalled("cfg/service.hb") != last; }, 15000))
            return false;
        last = ReadInstalled("cfg/service.hb");
    }
    return true;
}

TEST_F(InstalledService, PpdsThatAreNoRegularFilesLeaveOnlyTheirQueuesOut)
{
    // cupsd lists the queues by name: the odd ones stand before and after "good".
    ASSERT_TRUE(testbed::addCupsQueue("good", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    ASSERT_TRUE(testbed::addCupsQueue("fifo", "socket://127.0.0.3:9100", "Taliro TX 560PDN"));
    ASSERT_TRUE(testbed::addCupsQueue("folder", "socket://127.0.0.4:9100", "Taliro TX 560PDN"));
    ASSERT_TRUE(testbed::addCupsQueue("zero", "socket://127.0.0.5:9100", "Taliro TX 560PDN"));
    ASSERT_TRUE(testbed::addCupsQueue("linked", "socket://127.0.0.6:9100", "Taliro TX 560MDW"));
    ASSERT_TRUE(ReplacePpd("fifo", [](const std::string& path) { return mkfifo(path.c_str(), 0644); }));
    ASSERT_TRUE(ReplacePpd("folder", [](const std::string& path) { return mkdir(path.c_str(), 0755); }));
    ASSERT_TRUE(ReplacePpd("zero", [](const std::string& path) { return symlink("/dev/zero", path.c_str()); }));
    // A link to a regular PPD elsewhere is a PPD.
    std::filesystem::copy_file("/etc/cups/ppd/linked.ppd", "/etc/cups/linked-model.ppd");
    ASSERT_TRUE(ReplacePpd("linked", [](const std::string& path) {
        return symlink("/etc/cups/linked-model.ppd", path.c_str());
    }));
    testbed::SimPrinter printer("127.0.0.2");
    ASSERT_TRUE(printer.waitListening());
    printer.setReply(Reply(0x02));
    testbed::LpstatStandin lpstat;
    lpstat.setJobOutput(testbed::jobListing("good-1", "job-printing"));

    MonitorService service(work.path(), lpstat.folder());
    ASSERT_TRUE(WaitFor([] { return ReadPrinterList().count == 2; }, 15000)) << "no printer list";
    EXPECT_EQ(Describe(ReadPrinterList().printers),
              (std::vector<std::string>{"good|Taliro TX 560PDN|2|127.0.0.2|socket://127.0.0.2:9100",
                                        "linked|Taliro TX 560MDW|2|127.0.0.6|socket://127.0.0.6:9100"}));
    EXPECT_TRUE(WaitFor([&] { return printer.frames().size() >= 2; }, 15000)) << "good is not polled";
    EXPECT_TRUE(InstalledExists("cfg/good.dat"));
    EXPECT_TRUE(HeartbeatGoesOn());
}

TEST_F(InstalledService, PrintersConfThatIsNoRegularFileGivesWayToItsBackup)
{
    ASSERT_TRUE(testbed::addCupsQueue("good", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    const std::string conf = "/etc/cups/printers.conf";
    ASSERT_EQ(rename(conf.c_str(), (conf + ".O").c_str()), 0);
    testbed::LpstatStandin lpstat;
    lpstat.setJobOutput(testbed::jobListing("good-1", "job-printing"));
    const struct {
        const char* what;
        std::function<int()> make;
    } cases[] = {
        {"fifo", [&] { return mkfifo(conf.c_str(), 0644); }},
        {"link to /dev/zero", [&] { return symlink("/dev/zero", conf.c_str()); }},
    };
    for (const auto& c : cases) {
        unlink(conf.c_str());
        unlink(monitor_test::Installed("cfg/printerlist.ini").c_str());
        ASSERT_EQ(c.make(), 0) << c.what;
        MonitorService service(work.path(), lpstat.folder());
        EXPECT_TRUE(WaitFor([] { return ReadPrinterList().count == 1; }, 15000)) << c.what;
        EXPECT_EQ(Describe(ReadPrinterList().printers),
                  (std::vector<std::string>{"good|Taliro TX 560PDN|2|127.0.0.2|socket://127.0.0.2:9100"}))
            << c.what;
        EXPECT_TRUE(HeartbeatGoesOn()) << c.what;
    }
}

TEST_F(InstalledService, QueuesTheCupsToolsReadAsOptionsOrSeveralQueuesAreLeftOut)
{
    // lpstat and cancel read "-a" as an option, lpstat reads "good,x" as the
    // queues good and x and "all" as every queue; "good" prints meanwhile.
    const std::vector<std::string> odd = {"-a", "all", "good,x"};
    std::vector<std::unique_ptr<testbed::SimPrinter>> printers;
    for (std::size_t i = 0; i <= odd.size(); ++i) {
        printers.push_back(std::make_unique<testbed::SimPrinter>("127.0.0." + std::to_string(2 + i)));
        ASSERT_TRUE(printers.back()->waitListening());
        printers.back()->setReply(Reply(0x00));  // Ready
    }
    ASSERT_TRUE(testbed::addCupsQueue("good", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
    for (std::size_t i = 0; i < odd.size(); ++i) {
        const std::string uri = "socket://127.0.0." + std::to_string(3 + i) + ":9100";
        ASSERT_TRUE(testbed::addCupsQueue(odd[i], uri, "Taliro TX 560PDN")) << odd[i];
    }
    work.write("job.txt", "page\n");
    ASSERT_GT(testbed::printHeldJob("good", work.file("job.txt")), 0);

    MonitorService service(work.path());
    // A Ready printer that CUPS shows printing is asked every cycle.
    ASSERT_TRUE(WaitFor([&] { return printers[0]->frames().size() >= 3; }, 30000));
    EXPECT_EQ(Describe(ReadPrinterList().printers),
              (std::vector<std::string>{"good|Taliro TX 560PDN|2|127.0.0.2|socket://127.0.0.2:9100"}));
    for (std::size_t i = 0; i < odd.size(); ++i) {
        EXPECT_TRUE(printers[i + 1]->frames().empty()) << odd[i];
        EXPECT_FALSE(InstalledExists("cfg/" + odd[i] + ".dat")) << odd[i];
    }
}

}  // namespace
