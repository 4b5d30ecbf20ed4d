// The device manager's view of the CUPS configuration: which queues of
// printers.conf it keeps, with which fields.

#include "monitor_test_config.h"
#include "trd_device_manage.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct Expected {
    std::string name;
    std::string model;
    int connectType;
    std::string port;
    std::string uri;
};

std::vector<Expected> Found(TrdDeviceManage& manager, bool checkDriver = true)
{
    std::vector<Expected> found;
    for (const stPrinterInfo& info : manager.GetPrinterInfo(checkDriver))
        found.push_back({info.strName.toStdString(), info.strModel.toStdString(), info.iConnectType,
                         info.strPort.toStdString(), info.strURI.toStdString()});
    return found;
}

void ExpectEntries(const std::vector<Expected>& found, const std::vector<Expected>& expected)
{
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].name, expected[i].name) << i;
        EXPECT_EQ(found[i].model, expected[i].model) << i;
        EXPECT_EQ(found[i].connectType, expected[i].connectType) << i;
        EXPECT_EQ(found[i].port, expected[i].port) << i;
        EXPECT_EQ(found[i].uri, expected[i].uri) << i;
    }
}

TEST(CupsQueues, KeepsTheQueuesOfSupportedModelsInFileOrder)
{
    MonitorTestBed bed;
    const std::string usbUri = "usb://Taliro/TX%20560MDW?serial=ABC123";
    bed.cups.write("printers.conf",
                   "# Printer configuration file for CUPS v2.4.2\n" + QueueBlock("Q1", usbUri) +
                       QueueBlock("N1", "socket://192.168.1.20:9100", true) +
                       QueueBlock("N2", "socket://192.168.1.21") +
                       QueueBlock("N3", "socket://192.168.1.22/?waiteof=false") +
                       QueueBlock("T1", "talirosocket://192.168.1.23:9100") +
                       QueueBlock("X1", "ipp://192.168.1.24/ipp/print") +   // a scheme of no supported printer
                       QueueBlock("Q9", "socket://192.168.1.25:9100") +     // another make
                       QueueBlock("Q8", "socket://192.168.1.26:9100") +     // no PPD
                       "<Printer>\nDeviceURI socket://192.168.1.27:9100\n</Printer>\n" +  // no name
                       "<printer L1>\ndeviceuri usb://Taliro/TX%20560PDN?serial=L\n</printer>\n");
    bed.writePpd("Q1", "Taliro TX 560MDW");
    bed.writePpd("N1", "taliro tx 560pdn");
    bed.writePpd("N2", "Taliro TX 560PDN");
    bed.writePpd("N3", "Taliro TX 560PDN");
    bed.writePpd("T1", "Taliro TX 560MDAW");
    bed.writePpd("X1", "Taliro TX 560MDA");
    bed.writePpd("Q9", "Other Laser 9");
    bed.writePpd("L1", "Taliro TX 560PDN");
    TrdDeviceManage manager(bed.config());

    ExpectEntries(Found(manager),
                  {
                      {"Q1", "Taliro TX 560MDW", 1, "Taliro/TX%20560MDW?serial=ABC123", usbUri},
                      // The model as the PPD writes it.
                      {"N1", "taliro tx 560pdn", 2, "192.168.1.20", "socket://192.168.1.20:9100"},
                      {"N2", "Taliro TX 560PDN", 2, "192.168.1.21", "socket://192.168.1.21"},
                      // The address alone, also where the URI has a path but no port.
                      {"N3", "Taliro TX 560PDN", 2, "192.168.1.22", "socket://192.168.1.22/?waiteof=false"},
                      {"T1", "Taliro TX 560MDAW", 2, "192.168.1.23", "talirosocket://192.168.1.23:9100"},
                      // Keywords in any case.
                      {"L1", "Taliro TX 560PDN", 1, "Taliro/TX%20560PDN?serial=L",
                       "usb://Taliro/TX%20560PDN?serial=L"},
                  });

    // Without the driver check every queue with a name and a printer URI.
    std::vector<std::string> names;
    for (const Expected& entry : Found(manager, false))
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Q1", "N1", "N2", "N3", "T1", "Q9", "Q8", "L1"}));
}

TEST(CupsQueues, ModelNameLineForms)
{
    struct Case {
        const char* ppdLine;
        bool matches;
        const char* model;
    };
    const Case cases[] = {
        {"*ModelName: \"Taliro TX 560MDA\"", true, "Taliro TX 560MDA"},
        {"*ModelName:Taliro TX 560MDA", true, "Taliro TX 560MDA"},
        {"*MODELNAME: \"TALIRO TX 560MDA\"", true, "TALIRO TX 560MDA"},
        {"*ModelName: \"Taliro TX 560MDA", true, "Taliro TX 560MDA"},
        {"*ModelName: \"Taliro TX 560\"", false, ""},
        {"*ModelName: \"Taliro TX 560MDAX\"", false, ""},
        {"*ModelName:", false, ""},
        {"*NickName: \"Taliro TX 560MDA\"", false, ""},
        {" *ModelName: \"Taliro TX 560MDA\"", false, ""},
    };
    MonitorTestBed bed;
    TrdDeviceManage manager(bed.config());
    for (const Case& c : cases) {
        bed.cups.write("ppd/Q1.ppd", std::string("*PPD-Adobe: \"4.3\"\n") + c.ppdLine + "\n");
        QString model = QStringLiteral("unchanged");
        EXPECT_EQ(manager.CheckDriverMatch(QStringLiteral("Q1"), model), c.matches) << c.ppdLine;
        EXPECT_EQ(model.toStdString(), c.matches ? c.model : "unchanged") << c.ppdLine;
    }
    QString model;
    EXPECT_FALSE(manager.CheckDriverMatch(QStringLiteral("Absent"), model));
}

TEST(CupsQueues, ReadsTheBackupWhenPrintersConfIsMissing)
{
    MonitorTestBed bed;
    TrdDeviceManage manager(bed.config());
    EXPECT_TRUE(manager.GetPrinterInfo(true).isEmpty());

    bed.writePpd("N1", "Taliro TX 560PDN");
    bed.cups.write("printers.conf.O", QueueBlock("N1", "socket://10.0.0.5:9100"));
    ExpectEntries(Found(manager), {{"N1", "Taliro TX 560PDN", 2, "10.0.0.5", "socket://10.0.0.5:9100"}});

    bed.cups.write("printers.conf", QueueBlock("N2", "socket://10.0.0.6:9100"));
    bed.writePpd("N2", "Taliro TX 560PDN");
    ExpectEntries(Found(manager), {{"N2", "Taliro TX 560PDN", 2, "10.0.0.6", "socket://10.0.0.6:9100"}});
}

TEST(CupsQueues, AQueueNameHoldingASlashHasNoPpd)
{
    MonitorTestBed bed;
    bed.cups.write("printers.conf", QueueBlock("../outside/x", "socket://192.168.1.20:9100") +
                                        QueueBlock("sub/x", "socket://192.168.1.21:9100") +
                                        QueueBlock("N1", "socket://192.168.1.22:9100"));
    // Supported models at the places those names would lead to.
    std::filesystem::create_directories(bed.cups.file("outside"));
    std::filesystem::create_directories(bed.cups.file("ppd/sub"));
    bed.writePpd("../outside/x", "Taliro TX 560PDN");
    bed.writePpd("sub/x", "Taliro TX 560PDN");
    bed.writePpd("N1", "Taliro TX 560PDN");
    TrdDeviceManage manager(bed.config());
    ExpectEntries(Found(manager), {{"N1", "Taliro TX 560PDN", 2, "192.168.1.22", "socket://192.168.1.22:9100"}});
    QString model;
    EXPECT_FALSE(manager.CheckDriverMatch(QStringLiteral("../outside/x"), model));
}

TEST(CupsQueues, TheNameOfAPrinterLineLosesItsLastCharacter)
{
    // U+1F600, a character outside the Basic Multilingual Plane, as UTF-8.
    const std::string wide = "\xF0\x9F\x98\x80";
    struct Case {
        std::string line;
        std::string name;
    };
    const Case cases[] = {
        {"<Printer ab>", "ab"},
        {"<Printer ab" + wide + ">", "ab" + wide},
        {"<Printer ab" + wide, "ab"},
        {"<Printer abc", "ab"},
    };
    MonitorTestBed bed;
    TrdDeviceManage manager(bed.config());
    for (const Case& c : cases) {
        bed.cups.write("printers.conf", c.line + "\nDeviceURI socket://10.0.0.5:9100\n</Printer>\n");
        const QList<stPrinterInfo> found = manager.GetPrinterInfo(false);
        ASSERT_EQ(found.size(), 1) << c.line;
        // Compared as UTF-16: half a character would show as "?" in UTF-8.
        const QString name = found[0].strName;
        EXPECT_TRUE(name == QString::fromStdString(c.name)) << c.line << " gave " << name.toStdString();
    }
}

}  // namespace
