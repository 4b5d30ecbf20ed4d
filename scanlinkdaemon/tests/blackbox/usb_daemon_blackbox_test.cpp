// The installed ScanLinkDaemon on USB scanners, at the real install root and
// port inside the test's private namespaces, with a /dev of the test's own.
// The scanners are simulated on the umockdev bed of this test process; the
// daemon, started after the bed, inherits it with the per-process preload,
// so its connection and data processes each reach the device through their
// own connection. What only real processes show: discovery on the real bus
// folders, a job through the data process, an abort while that process waits
// inside a read, a device that goes away in the middle of a job.
// Usage: scanlinkdaemon_usb_blackbox_tests (under umockdev-wrapper)

#include "daemon_process.h"
#include "installed_daemon_test.h"
#include "private_mounts.h"
#include "scan_client.h"
#include "simulated_scanner.h"

#include <taliro/install_root.h>

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Step = SimulatedScanner::Step;

const std::string kRoot = taliro::kInstallRoot;
const std::string kScanDir = kRoot + "scan/";

Bytes pattern(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + 5);
    return bytes;
}

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The daemon's processes end in TearDown, before the bed goes: umockdev ends
// a process whose device handler is gone.
class UsbDaemonTest : public InstalledDaemonTest {
protected:
    void SetUp() override
    {
        InstalledDaemonTest::SetUp();
        ASSERT_TRUE(mounts.ownDev(true));
        ASSERT_TRUE(mounts.hideProcBus());
    }

    // Plugs in a simulated scanner on the bed; its number there.
    int plugScanner(uint16_t productId, const std::string& serial, std::shared_ptr<SimulatedScanner> program = nullptr)
    {
        if (!bed)
            bed = std::make_unique<usb_testing::UmockdevPrinter>();
        if (!program)
            program = std::make_shared<SimulatedScanner>();
        return bed->addDevice(SimulatedScanner::device(0x2F7A, productId, serial), program);
    }

    void startDaemon()
    {
        usb_testing::UmockdevPrinter::preloadPerProcessFiles();
        ASSERT_TRUE(daemon.start(kRoot + "bin/ScanLinkDaemon", {}));
        ASSERT_TRUE(client.connectTo());
    }

    std::vector<USBFindDevRes> find(ScanClient& on, int vid, int pid, bool comparePid, int32_t& count)
    {
        std::vector<USBFindDevRes> devices;
        EXPECT_TRUE(on.findDevices(vid, pid, comparePid, count, devices));
        return devices;
    }

    int32_t openScanner()
    {
        int32_t count = -2;
        const auto devices = find(client, 0x2F7A, 0x5A01, true, count);
        EXPECT_EQ(count, 1);
        if (devices.empty())
            return -1;
        int32_t result = -2;
        EXPECT_TRUE(client.sendRequest(USB_OPEN_DEV, USBCommonReq{devices[0].fd}) && client.receiveReply(result));
        EXPECT_EQ(result, 0);
        return devices[0].fd;
    }

    int32_t ask(int32_t command, int32_t devfd)
    {
        int32_t result = -2;
        EXPECT_TRUE(client.sendRequest(command, USBCommonReq{devfd}));
        EXPECT_TRUE(client.receiveReply(result));
        return result;
    }

    int32_t lock(int32_t devfd, const SettingInfo& info)
    {
        USBScanLockReq request;
        zeroRecord(request);
        request.devfd = devfd;
        request.info = info;
        int32_t result = -2;
        EXPECT_TRUE(client.sendRequest(USB_SCAN_LOCK, request));
        EXPECT_TRUE(client.receiveReply(result));
        return result;
    }

    std::string start(int32_t devfd)
    {
        USBScanStartRes reply;
        zeroRecord(reply);
        EXPECT_TRUE(client.sendRequest(USB_SCAN_START, USBCommonReq{devfd}));
        EXPECT_TRUE(client.receiveReply(reply));
        EXPECT_EQ(reply.result, 0);
        terminateWireString(reply.fileName);
        return reply.fileName;
    }

    // The next `count` scan records as "st/fileIndex/dataSize/result".
    std::vector<std::string> records(size_t count)
    {
        std::vector<std::string> seen;
        for (size_t i = 0; i < count; ++i) {
            USBScanRecordRes record;
            if (!client.receiveReply(record, 10000))
                break;
            seen.push_back(std::to_string(record.st) + "/" + std::to_string(record.fileIndex) + "/" +
                           std::to_string(record.dataSize) + "/" + std::to_string(record.result));
        }
        return seen;
    }

    static SettingInfo feederRequest()
    {
        SettingInfo info;
        zeroRecord(info);
        info.bitDepth = 1;
        info.compType = COMPRESSION_JPEG;
        info.width = 2480;
        info.height = 3508;
        info.xStart = 10;
        info.yStart = 20;
        info.xResolution = info.yResolution = 1200;
        info.feederEnabled = 1;
        info.backgroundRemoval = 1;
        info.backgroundRemovalParam = 4;
        info.BrightnessParam = 5;
        info.ContrastParam = 6;
        return info;
    }

    Mounts mounts;
    std::unique_ptr<usb_testing::UmockdevPrinter> bed;
    ScanClient client;
};

TEST_F(UsbDaemonTest, ListsDeviceFilesOfTheBusFoldersAndFallsBackToProcBusUsb)
{
    // Plain files with device descriptors: their string requests fail, so the strings are empty.
    const auto place = [](const std::string& path, uint16_t vid, uint16_t pid) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        writeWholeFile(path, text(usb_testing::descriptorBytes(SimulatedScanner::device(vid, pid, "S"))));
    };
    place("/dev/bus/usb/001/002", 0x2F7A, 0x5A01);
    place("/dev/bus/usb/001/003", 0x2F7A, 0x5A02);
    place("/dev/bus/usb/002/004", 0x1234, 0x0001);
    writeWholeFile("/dev/bus/usb/devices", "not a device");
    startDaemon();

    int32_t count = -2;
    auto devices = find(client, 0x2F7A, 0, false, count);
    EXPECT_EQ(count, 2);
    std::set<int> products;
    for (const USBFindDevRes& device : devices) {
        EXPECT_EQ(device.vid, 0x2F7A);
        products.insert(device.pid);
        EXPECT_STREQ(device.Manufacturer, "");
        EXPECT_STREQ(device.SerialNumber, "");
    }
    EXPECT_EQ(products, (std::set<int>{0x5A01, 0x5A02}));
    devices = find(client, 0x2F7A, 0x5A02, true, count);
    EXPECT_EQ(count, 1);

    // Without /dev/bus/usb the devices of /proc/bus/usb are listed.
    ASSERT_TRUE(mounts.unmount("/dev/bus/usb"));
    std::filesystem::remove_all("/dev/bus");
    ASSERT_TRUE(mounts.tmpfs("/proc/bus"));
    place("/proc/bus/usb/003/007", 0x2F7A, 0x5A02);
    devices = find(client, 0x2F7A, 0x5A02, true, count);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].pid, 0x5A02);
}

TEST_F(UsbDaemonTest, ListsTheEmulatedScannersOfTheVendorOrOfOneProductWithTheirStrings)
{
    ASSERT_EQ(plugScanner(0x5A01, "SN0001"), 0);
    ASSERT_EQ(plugScanner(0x5A02, "SN0002"), 1);
    startDaemon();
    int32_t count = -2;
    std::set<std::string> seen;
    for (const USBFindDevRes& device : find(client, 0x2F7A, 0, false, count))
        seen.insert(std::string(device.Manufacturer) + "/" + device.Product + "/" + device.SerialNumber);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(seen, (std::set<std::string>{"Taliro/Taliro Scanner/SN0001", "Taliro/Taliro Scanner/SN0002"}));
    const auto devices = find(client, 0x2F7A, 0x5A02, true, count);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_STREQ(devices[0].SerialNumber, "SN0002");
    find(client, 0x1234, 0, false, count);
    EXPECT_EQ(count, 0);
}

TEST_F(UsbDaemonTest, TwoPageJobStoresExactlyTheBytesTheDeviceSent)
{
    auto scanner = std::make_shared<SimulatedScanner>();
    const Bytes first = pattern(4096);
    const Bytes second = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    scanner->queueJob({SimulatedScanner::block(9), SimulatedScanner::block(0, first), SimulatedScanner::block(7),
                       SimulatedScanner::block(9), SimulatedScanner::block(0, second), SimulatedScanner::block(7),
                       SimulatedScanner::block(1)});
    ASSERT_EQ(plugScanner(0x5A01, "SN0001", scanner), 0);
    startDaemon();
    const int32_t devfd = openScanner();
    EXPECT_EQ(ask(USB_SCAN_POWERON, devfd), 0);
    EXPECT_EQ(lock(devfd, feederRequest()), 0);
    const std::string base = start(devfd);
    EXPECT_EQ(records(7), (std::vector<std::string>{"9/0/0/0", "0/1/4096/0", "7/1/0/0", "9/1/0/0", "0/2/10/0",
                                                    "7/2/0/0", "1/2/0/5"}));
    EXPECT_EQ(readWholeFile(base + "_0.tmp"), text(first));
    EXPECT_EQ(readWholeFile(base + "_1.tmp"), text(second));
    EXPECT_EQ(ask(USB_SCAN_UNLOCK, devfd), 0);

    std::vector<std::string> frames;
    for (const Bytes& frame : scanner->received())
        frames.push_back(toHex(frame));
    EXPECT_EQ(frames, (std::vector<std::string>{
                          "1b440400 00008000",
                          "1b530500 2f008000 01000003 b0090000 b40d0000 0a000000 14000000 58025802 04010000 "
                          "00000000 00010400 00050600 00000000 000000",
                          "1b530100 00008000",
                          "1b530600 00008000",
                      }));
}

TEST_F(UsbDaemonTest, AbortEndsADataProcessThatWaitsInsideABulkRead)
{
    auto scanner = std::make_shared<SimulatedScanner>();
    scanner->queueJob({SimulatedScanner::block(9), SimulatedScanner::block(0, pattern(1000)),
                       SimulatedScanner::event(Step::Hold)});
    ASSERT_EQ(plugScanner(0x5A01, "SN0001", scanner), 0);
    startDaemon();
    const int32_t devfd = openScanner();
    EXPECT_EQ(lock(devfd, feederRequest()), 0);
    const std::string base = start(devfd);
    EXPECT_EQ(records(2), (std::vector<std::string>{"9/0/0/0", "0/1/1000/0"}));
    ASSERT_TRUE(waitUntil([&] { return scanner->heldReads() > 0; }, 5000));
    const pid_t connection = static_cast<pid_t>(std::atoi(base.c_str() + base.find("taliroscandata_") + 15));
    const std::vector<pid_t> dataProcesses = childrenOf(connection);
    ASSERT_EQ(dataProcesses.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(base + "_0.tmp"));

    int32_t result = -2;
    ASSERT_TRUE(client.abortUsbScan(devfd, base, result));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(processExists(dataProcesses[0]));
    EXPECT_FALSE(std::filesystem::exists(base + "_0.tmp"));
    EXPECT_EQ(toHex(scanner->received().back()), "1b530f00 00008000");
    EXPECT_EQ(bed->endpointRequests().back().kind, usb_testing::EndpointRequest::ResetDevice);
    // The connection goes on with the device; the abort's reset dropped the lock.
    EXPECT_FALSE(scanner->locked());
    EXPECT_EQ(ask(USB_SCAN_UNLOCK, devfd), 0);
    EXPECT_EQ(lock(devfd, feederRequest()), 0);
    EXPECT_TRUE(scanner->locked());
}

TEST_F(UsbDaemonTest, DeviceUnpluggedInTheMiddleEndsTheJobWithIoErrorAndTheDaemonServesOn)
{
    auto scanner = std::make_shared<SimulatedScanner>();
    scanner->queueJob({SimulatedScanner::block(9), SimulatedScanner::block(0, pattern(100)),
                       SimulatedScanner::event(Step::Unplug)});
    ASSERT_EQ(plugScanner(0x5A01, "SN0001", scanner), 0);
    startDaemon();
    const int32_t devfd = openScanner();
    EXPECT_EQ(lock(devfd, feederRequest()), 0);
    const std::string base = start(devfd);
    EXPECT_EQ(records(3), (std::vector<std::string>{"9/0/0/0", "0/1/100/0", "0/1/0/9"}));
    EXPECT_EQ(readWholeFile(base + "_0.tmp"), text(pattern(100)));

    USBScanAdfStatusRes adf;
    ASSERT_TRUE(client.sendRequest(USB_SCAN_ADFSTATUS, USBCommonReq{devfd}));
    ASSERT_TRUE(client.receiveReply(adf));
    EXPECT_EQ(adf.result, 9);
    ScanClient other;
    ASSERT_TRUE(other.connectTo());
    int32_t count = -2;
    find(other, 0x1234, 0, false, count);
    EXPECT_EQ(count, 0);
}

}  // namespace
