// The device manager's cycle against a CUPS folder of its own: when the
// printer list counts as changed, how many status workers it keeps, and which
// status files it sweeps.

#include "monitor_test_config.h"
#include "trd_device_manage.h"

#include <gtest/gtest.h>

#include <QSettings>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Network queues whose host is no IPv4 address: their workers poll nothing.
std::string Queues(const std::vector<std::string>& names, const std::string& host = "printer.invalid")
{
    std::string conf;
    for (const std::string& name : names)
        conf += QueueBlock(name, "socket://" + host + ":9100");
    return conf;
}

class DeviceManagerCycle : public ::testing::Test {
protected:
    DeviceManagerCycle()
    {
        // The workers' job checks find a job, so they never wait for an empty listing.
        bed.lpstat.setJobOutput(testbed::jobListing("N1-1", "job-printing"));
        for (const char* name : {"N1", "N2", "N3", "a.b"})
            bed.writePpd(name, "Taliro TX 560PDN");
        manager.Init(&printers);
    }

    std::vector<std::string> ListedNames()
    {
        QSettings list(QString::fromStdString(bed.cfgFile("printerlist.ini")), QSettings::IniFormat);
        std::vector<std::string> names;
        for (int i = 0; i < list.value("Main/Count").toInt(); ++i)
            names.push_back(list.value(QStringLiteral("printer_%1/Name").arg(i)).toString().toStdString());
        return names;
    }

    MonitorTestBed bed;
    SharedPrinterList printers;  // outlives the manager's workers
    TrdDeviceManage manager{bed.config()};
};

TEST_F(DeviceManagerCycle, ListChangesWithNamesPortsAndUrisButNotModels)
{
    const std::string list = bed.cfgFile("printerlist.ini");
    bed.cups.write("printers.conf", Queues({"N1", "N2"}));
    manager.RunCycle();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"N1", "N2"}));
    {
        QMutexLocker lock(&printers.mutex);
        ASSERT_EQ(printers.printers.size(), 2);
        for (const stPrinterManager& entry : printers.printers) {
            EXPECT_EQ(entry.state.enCurrentStatus, PRINTER_STATUS_OFFLINE);
            EXPECT_TRUE(entry.bPollEnabled) << "the cycle ends by enabling the polls";
        }
    }

    struct Step {
        const char* what;
        std::function<void()> change;
        bool rewritten;
    };
    const Step steps[] = {
        {"nothing", [] {}, false},
        {"only the model", [this] { bed.writePpd("N1", "Taliro TX 560MDW"); }, false},
        {"a renamed queue", [this] { bed.cups.write("printers.conf", Queues({"N1", "N3"})); }, true},
        {"a new device URI", [this] { bed.cups.write("printers.conf", Queues({"N1", "N3"}, "printer2.invalid")); },
         true},
        {"a removed queue", [this] { bed.cups.write("printers.conf", Queues({"N3"}, "printer2.invalid")); }, true},
    };
    for (const Step& step : steps) {
        const ino_t before = Inode(list);
        step.change();
        manager.RunCycle();
        EXPECT_EQ(Inode(list) != before, step.rewritten) << step.what;
    }
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"N3"}));
}

TEST_F(DeviceManagerCycle, OneWorkerPerIndexThroughShrinkingAndRegrowing)
{
    const std::vector<std::pair<std::vector<std::string>, int>> steps = {
        {{"N1"}, 1},
        {{"N1", "N2", "N3"}, 3},
        {{"N1"}, 3},  // the surplus workers idle
        {{"N1", "N2", "N3"}, 3},
        {{}, 3},
        {{"N1", "N2", "N3", "a.b"}, 4},
    };
    for (const auto& [names, workers] : steps) {
        bed.cups.write("printers.conf", Queues(names));
        manager.RunCycle();
        EXPECT_EQ(manager.WorkerCount(), workers) << names.size() << " queues";
    }
}

TEST_F(DeviceManagerCycle, ChangeSweepsTheStatusFilesOfVanishedQueuesOnly)
{
    for (const char* file : {"N1.dat", "N2.dat", "a.b.dat", "Old.dat", "notes.txt", "N2.dat.Ab12Cd", "Old.DAT"})
        bed.root.write(std::string("cfg/") + file, "x");
    bed.root.write("elsewhere.dat", "x");
    ASSERT_EQ(symlink(bed.root.file("elsewhere.dat").c_str(), bed.cfgFile("Link.dat").c_str()), 0);

    bed.cups.write("printers.conf", Queues({"N1", "a.b"}));
    manager.RunCycle();
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(bed.cfgFile("")))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"N1.dat", "a.b.dat", "notes.txt", "N2.dat.Ab12Cd", "Old.DAT", "Link.dat",
                                           "printerlist.ini", "service.hb"}));
    EXPECT_EQ(bed.root.read("elsewhere.dat"), "x");

    // An unchanged cycle sweeps nothing.
    bed.root.write("cfg/Old.dat", "x");
    manager.RunCycle();
    EXPECT_EQ(bed.root.read("cfg/Old.dat"), "x");
}

}  // namespace
