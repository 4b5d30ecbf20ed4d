// The installed PrinterConfigurator and FirmwareUpdater on an X server, used
// from the keyboard as a user would, with the printer emulated by the
// umockdev bed: what reaches the printer through the real programs, their
// printer list and the real libusb.

#include "assistant_test_files.h"
#include "child_process.h"
#include "net_reply_builder.h"
#include "temp_folder.h"
#include "umockdev_printer.h"

#include <taliro/install_root.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using net_reply::Bytes;
using net_reply::Hex;
using net_reply::Join;

const QString kRoot = QString::fromUtf8(taliro::kInstallRoot);

// Runs xdotool with the arguments; its output.
std::string Xdotool(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv = {"/usr/bin/timeout", "20", "xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string output;
    EXPECT_EQ(testbed::runProgram(argv, 25000, &output), 0) << arguments.front();
    return output;
}

// The visible windows with this title, oldest first.
std::vector<std::string> Windows(const char* title)
{
    std::istringstream lines(Xdotool({"search", "--sync", "--onlyvisible", "--name", title}));
    std::vector<std::string> windows;
    for (std::string line; std::getline(lines, line);)
        windows.push_back(line);
    return windows;
}

// Gives the window the keyboard and types the keys into it, one by one.
void Keys(const std::string& window, const std::vector<std::string>& keys)
{
    Xdotool({"windowfocus", "--sync", window});
    for (const std::string& key : keys)
        Xdotool({"key", "--clearmodifiers", key});
}

// A click at a point of the window.
void Click(const std::string& window, int x, int y)
{
    Xdotool({"mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y), "click", "1"});
}

// Whether `done` holds within 20 s.
bool WaitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class InstalledPrinterTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_bed.active()) << "run under umockdev-wrapper";
        assistant_test::WritePrinterList(
            kRoot, {assistant_test::Printer(QStringLiteral("Q1"), 1, QStringLiteral("Taliro/TX%20560MDW?serial=ABC123"))});
    }
    std::unique_ptr<testbed::ChildProcess> Start(const char* program)
    {
        auto child = std::make_unique<testbed::ChildProcess>(
            std::vector<std::string>{taliro::kInstallRoot + std::string("bin/") + program});
        EXPECT_TRUE(child->started());
        return child;
    }

    usb_testing::UmockdevPrinter m_bed;
};

TEST_F(InstalledPrinterTools, ConfiguratorReadsAndWritesTheNetworkSettingsOfAUsbPrinter)
{
    usb_testing::FakeDevice printer = usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123");
    printer.bulkInAnswers[0x82] = {usb_testing::FakeAnswer{0, net_reply::Reply({net_reply::ConnectTypeItem("eth")})},
                                   usb_testing::FakeAnswer{0, net_reply::SettingsReply(1)},
                                   usb_testing::FakeAnswer{0, Hex("A5 00 04 50 E0 B2 03")}};
    ASSERT_EQ(m_bed.addDevice(printer), 0);
    auto configurator = Start("PrinterConfigurator");
    const std::vector<std::string> windows = Windows("泰岚激光打印工具");
    ASSERT_EQ(windows.size(), 1u);

    // Home: its one button leads to the network page, where the printer
    // combo box takes the focus; then to "读取" past "返回" and the source.
    Keys(windows[0], {"space", "Tab", "Tab", "Tab", "space"});
    const Bytes read = Join({Hex("A5 00 0B 50 E0 B2 02 00 00 01 00 01 63 74"),
                             Hex("A5 00 19 50 E0 B2 02 00 00 01 00 08 40 00 40 01 40 02 40 03 40 04 40 05 40 06 40 07")});
    ASSERT_TRUE(WaitFor([&] { return m_bed.bulkOutData(0, 0x01).size() >= read.size(); }));
    EXPECT_EQ(m_bed.bulkOutData(0, 0x01), read);

    // "设置", next after "读取", now usable: the settings read go back.
    Keys(windows[0], {"Tab", "space"});
    const Bytes write = Hex("A5 00 48 50 E0 B2 03 00 09  40 00 00 01 01"
                            " 40 01 00 04 0A 00 00 05  40 02 00 04 FF FF FF 00  40 03 00 04 0A 00 00 01"
                            " 40 04 00 04 0A 00 00 35  40 05 00 04 0A 00 00 36  40 06 00 04 00 00 00 00"
                            " 40 07 00 04 00 00 00 00  40 0F 00 01 00");
    ASSERT_TRUE(WaitFor([&] { return m_bed.bulkOutData(0, 0x01).size() >= read.size() + write.size(); }));
    EXPECT_EQ(m_bed.bulkOutData(0, 0x01), Join({read, write}));
    EXPECT_TRUE(WaitFor([&] { return m_bed.claimedInterfaces(0).empty(); }));
    EXPECT_EQ(configurator->waitExit(0), -1) << "still running";
}

TEST_F(InstalledPrinterTools, FirmwareUpdaterSendsTheChosenFileAfterTheConfirmation)
{
    ASSERT_EQ(m_bed.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123")), 0);
    testsupport::TempFolder files;
    std::string image(100000, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 13 + 5);
    files.write("fw.fls", image);

    auto updater = Start("FirmwareUpdater");
    const std::vector<std::string> windows = Windows("泰岚激光打印机升级助手");
    ASSERT_EQ(windows.size(), 1u);
    // Clicks where the form puts the table's first row, the file path and
    // "一键升级".
    Click(windows[0], 150, 77);
    Click(windows[0], 200, 313);
    Xdotool({"type", "--delay", "5", "file://" + files.file("fw.fls")});
    Click(windows[0], 460, 368);

    // The confirmation, "取  消" the default: Tab to "确  定".
    std::vector<std::string> now;
    ASSERT_TRUE(WaitFor([&] {
        now = Windows("泰岚激光打印机升级助手");
        return now.size() == 2;
    }));
    const std::string box = now[0] == windows[0] ? now[1] : now[0];
    EXPECT_TRUE(m_bed.bulkOutData(0, 0x01).empty()) << "nothing before the confirmation";
    Keys(box, {"Tab", "space"});
    ASSERT_TRUE(WaitFor([&] { return m_bed.bulkOutData(0, 0x01).size() >= image.size(); }));
    EXPECT_EQ(m_bed.bulkOutData(0, 0x01), Bytes(image.begin(), image.end()));
    EXPECT_EQ(updater->waitExit(0), -1) << "still running";
}

}  // namespace
