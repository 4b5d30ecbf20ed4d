// Device discovery on bus folders made in a temporary folder: plain files
// holding device descriptors stand in for the usbfs device files (their
// string requests fail, so the strings are empty).

#include "daemon_log.h"
#include "temp_folder.h"
#include "usb_discovery.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace {

std::string descriptorBytes(uint16_t vid, uint16_t pid, size_t length = sizeof(usb_device_descriptor))
{
    usb_device_descriptor descriptor{};
    descriptor.bLength = 18;
    descriptor.bDescriptorType = 1;
    descriptor.idVendor = vid;
    descriptor.idProduct = pid;
    descriptor.iManufacturer = 1;
    descriptor.iSerialNumber = 3;
    descriptor.bNumConfigurations = 1;
    return std::string(reinterpret_cast<const char*>(&descriptor), length);
}

size_t openDescriptors()
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                             std::filesystem::directory_iterator()));
}

class UsbDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override { VuroInitDbg(logs.dir()); }

    void addDevice(const std::string& path, const std::string& bytes)
    {
        std::filesystem::create_directories(std::filesystem::path(bus.file(path)).parent_path());
        bus.write(path, bytes);
    }

    // The ids of the devices found, their files closed again.
    std::multiset<std::pair<int, int>> find(int vid, int pid, bool comparePid, int capacity = kMaxListedDevices,
                                            int* count = nullptr)
    {
        VURO_USB_DEV devices[kMaxListedDevices] = {};
        const int found = findDevicesIn({bus.path()}, vid, pid, devices, comparePid, capacity);
        if (count)
            *count = found;
        std::multiset<std::pair<int, int>> ids;
        for (int i = 0; i < found; ++i) {
            EXPECT_GT(devices[i].fd, 2);
            ids.insert({devices[i].dev_des.idVendor, devices[i].dev_des.idProduct});
            close(devices[i].fd);
        }
        return ids;
    }

    testsupport::TempFolder logs;
    testsupport::TempFolder bus;
};

TEST_F(UsbDiscoveryTest, ListsTheVendorsDevicesOrOnlyItsProductAcrossBusFolders)
{
    addDevice("001/002", descriptorBytes(0x2F7A, 0x5A01));
    addDevice("001/003", descriptorBytes(0x2F7A, 0x5A02));
    addDevice("002/004", descriptorBytes(0x1234, 0x0001));
    addDevice("002/005", descriptorBytes(0x2F7A, 0x5A02));
    // Only entries that begin with a digit are bus folders and device files.
    bus.write("devices", descriptorBytes(0x2F7A, 0x5A01));
    addDevice("usb1/002", descriptorBytes(0x2F7A, 0x5A01));
    addDevice("001/hub", descriptorBytes(0x2F7A, 0x5A01));
    const size_t before = openDescriptors();

    using Ids = std::multiset<std::pair<int, int>>;
    EXPECT_EQ(find(0x2F7A, 0, false), (Ids{{0x2F7A, 0x5A01}, {0x2F7A, 0x5A02}, {0x2F7A, 0x5A02}}));
    EXPECT_EQ(find(0x2F7A, 0x5A02, true), (Ids{{0x2F7A, 0x5A02}, {0x2F7A, 0x5A02}}));
    EXPECT_EQ(find(0x2F7A, 0x5A03, true), Ids{});
    EXPECT_EQ(find(0x1234, 0x0001, true), (Ids{{0x1234, 0x0001}}));
    // Files that are not kept are closed again.
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(UsbDiscoveryTest, IdsCompareAsUnsigned16BitValues)
{
    addDevice("001/002", descriptorBytes(0x8001, 0xFFFF));
    using Ids = std::multiset<std::pair<int, int>>;
    EXPECT_EQ(find(0x8001, 0xFFFF, true), (Ids{{0x8001, 0xFFFF}}));
    // The same ids as a client that sign-extends them sends them.
    EXPECT_EQ(find(-32767, -1, true), (Ids{{0x8001, 0xFFFF}}));
}

TEST_F(UsbDiscoveryTest, ADescriptorShorterThan18BytesIsNoDevice)
{
    addDevice("001/002", descriptorBytes(0x2F7A, 0x5A01, 17));
    addDevice("001/003", descriptorBytes(0x2F7A, 0x5A01, 12));
    addDevice("001/004", "");
    addDevice("001/005", descriptorBytes(0x2F7A, 0x5A01));
    const size_t before = openDescriptors();
    EXPECT_EQ(find(0x2F7A, 0, false).size(), 1u);
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(UsbDiscoveryTest, StopsAtTheCallersArrayWithoutKeepingMoreFilesOpen)
{
    for (int i = 0; i < 5; ++i)
        addDevice("001/00" + std::to_string(i + 2), descriptorBytes(0x2F7A, 0x5A01));
    const size_t before = openDescriptors();
    int count = -2;
    EXPECT_EQ(find(0x2F7A, 0, false, 3, &count).size(), 3u);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(UsbDiscoveryTest, TakesTheFirstBusFolderThatOpensAndGivesMinusOneWithoutAny)
{
    addDevice("001/002", descriptorBytes(0x2F7A, 0x5A01));
    VURO_USB_DEV devices[kMaxListedDevices] = {};
    const std::string missing = bus.file("missing");
    EXPECT_EQ(findDevicesIn({missing, missing + "2"}, 0x2F7A, 0, devices, false, kMaxListedDevices), -1);
    EXPECT_EQ(findDevicesIn({missing, bus.path()}, 0x2F7A, 0, devices, false, kMaxListedDevices), 1);
    close(devices[0].fd);
    EXPECT_EQ(findDevicesIn({bus.path()}, 0x2F7A, 0, nullptr, false, kMaxListedDevices), -1);
    EXPECT_NE(logs.read("taliro_scan_err.log").find("[TaliroScanSDK] open dir err:" + missing + "\n"),
              std::string::npos);
}

TEST_F(UsbDiscoveryTest, RecordOfADeviceWhoseStringsCannotBeReadHasEmptyStrings)
{
    addDevice("001/002", descriptorBytes(0x2F7A, 0x5A01));
    VURO_USB_DEV devices[kMaxListedDevices] = {};
    ASSERT_EQ(findDevicesIn({bus.path()}, 0x2F7A, 0, devices, false, kMaxListedDevices), 1);
    USBFindDevRes record;
    std::memset(&record, 0x55, sizeof record);
    converToDevRes(devices[0].fd, devices[0].dev_des, record);
    EXPECT_EQ(record.fd, devices[0].fd);
    EXPECT_EQ(record.vid, 0x2F7A);
    EXPECT_EQ(record.pid, 0x5A01);
    EXPECT_STREQ(record.Manufacturer, "");
    EXPECT_STREQ(record.Product, "");
    EXPECT_STREQ(record.SerialNumber, "");
    close(devices[0].fd);
}

}  // namespace
