// Runs inside the private cupsd: a queue added from C++ is in the files cupsd
// writes at CUPS's real paths at once.

#include "cups_queues.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(CupsQueues, AddedQueueIsInPrintersConfAndItsPpd)
{
    ASSERT_TRUE(testbed::addCupsQueue("Q1", "usb://Taliro/TX%20560MDW?serial=ABC123", "Taliro TX 560MDW"));
    const std::string conf = readFile("/etc/cups/printers.conf");
    EXPECT_NE(conf.find("<Printer Q1>\n"), std::string::npos) << conf;
    EXPECT_NE(conf.find("DeviceURI usb://Taliro/TX%20560MDW?serial=ABC123\n"), std::string::npos) << conf;
    EXPECT_NE(readFile("/etc/cups/ppd/Q1.ppd").find("*ModelName: \"Taliro TX 560MDW\"\n"), std::string::npos);

    ASSERT_TRUE(testbed::removeCupsQueue("Q1"));
    EXPECT_EQ(readFile("/etc/cups/printers.conf").find("<Printer Q1>"), std::string::npos);
}

TEST(CupsQueues, EveryCaseStartsWithoutQueuesOnAPrivateOpt)
{
    // The install root lies on the namespace's own tmpfs.
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    bool privateOpt = false;
    while (std::getline(mounts, line))
        privateOpt = privateOpt || line.rfind("tmpfs /opt ", 0) == 0;
    EXPECT_TRUE(privateOpt);

    EXPECT_EQ(readFile("/etc/cups/printers.conf").find("<Printer"), std::string::npos);
    EXPECT_FALSE(testbed::addCupsQueue("bad/name", "socket://127.0.0.2:9100", "Taliro TX 560PDN"));
}

}  // namespace
