// The scripted USB device must behave as libusb does where printer code relies
// on it; otherwise tests built on it would pass code that fails on hardware.

#include "command_frame.h"
#include "fake_usb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using usb_testing::FakeAnswer;
using usb_testing::FakeUsb;
using usb_testing::UsbCall;
using Bytes = std::vector<std::uint8_t>;

// A status frame with no body, built by the shared frame builder (7 bytes).
Bytes headerOnlyFrame()
{
    return command_frame::buildFrame(command_frame::kFunctionStatus, command_frame::kStatusQueryOperation, nullptr, 0);
}

constexpr std::uint16_t kVendor = 0x2F7A;
constexpr std::uint16_t kProduct = 0x5A03;

// An open handle on device `number` of a fresh device list, for the tests that
// start past enumeration.
struct OpenDevice {
    explicit OpenDevice(FakeUsb& usb, int number = 0) : usb(usb)
    {
        EXPECT_EQ(usb.init(&context), 0);
        EXPECT_GE(usb.getDeviceList(context, &list), number + 1);
        EXPECT_EQ(usb.open(list[number], &handle), 0);
    }
    void release()
    {
        usb.close(handle);
        usb.freeDeviceList(list, 1);
        usb.exit(context);
    }
    FakeUsb& usb;
    libusb_context* context = nullptr;
    libusb_device** list = nullptr;
    libusb_device_handle* handle = nullptr;
};

TEST(FakeUsb, EnumeratesDevicesWithTheirDescriptors)
{
    FakeUsb usb;
    usb.addDevice(usb_testing::printerDevice(0x1234, 0x0001, "OTHER"));
    usb.addDevice(usb_testing::printerDevice(kVendor, kProduct, "ABC123"));

    libusb_context* context = nullptr;
    ASSERT_EQ(usb.init(&context), 0);
    libusb_device** list = nullptr;
    ASSERT_EQ(usb.getDeviceList(context, &list), 2);
    EXPECT_EQ(list[2], nullptr);

    libusb_device_descriptor descriptor{};
    ASSERT_EQ(usb.getDeviceDescriptor(list[1], &descriptor), 0);
    EXPECT_EQ(descriptor.bLength, 18);
    EXPECT_EQ(descriptor.bDescriptorType, LIBUSB_DT_DEVICE);
    EXPECT_EQ(descriptor.idVendor, kVendor);
    EXPECT_EQ(descriptor.idProduct, kProduct);
    EXPECT_EQ(descriptor.iSerialNumber, 3);
    EXPECT_EQ(descriptor.bNumConfigurations, 1);

    libusb_config_descriptor* config = nullptr;
    ASSERT_EQ(usb.getConfigDescriptor(list[1], 0, &config), 0);
    ASSERT_EQ(config->bNumInterfaces, 1);
    ASSERT_EQ(config->interface[0].num_altsetting, 1);
    const libusb_interface_descriptor& setting = config->interface[0].altsetting[0];
    EXPECT_EQ(setting.bInterfaceNumber, 0);
    EXPECT_EQ(setting.bInterfaceClass, LIBUSB_CLASS_PRINTER);
    ASSERT_EQ(setting.bNumEndpoints, 2);
    EXPECT_EQ(setting.endpoint[0].bEndpointAddress, 0x01);
    EXPECT_EQ(setting.endpoint[1].bEndpointAddress, 0x82);
    EXPECT_EQ(setting.endpoint[1].bmAttributes & 0x03, LIBUSB_TRANSFER_TYPE_BULK);
    usb.freeConfigDescriptor(config);
    libusb_config_descriptor* missing = nullptr;
    EXPECT_EQ(usb.getConfigDescriptor(list[1], 1, &missing), LIBUSB_ERROR_NOT_FOUND);

    usb.freeDeviceList(list, 1);
    usb.exit(context);
    EXPECT_TRUE(usb.leaks().empty());
    EXPECT_TRUE(usb.misuses().empty());
}

TEST(FakeUsb, StringDescriptorsAreCutAndTerminatedAsLibusbDoes)
{
    FakeUsb usb;
    auto script = usb_testing::printerDevice(kVendor, kProduct, std::string(70, 'S'));
    script.product.clear();
    usb.addDevice(script);
    OpenDevice open(usb);

    unsigned char buffer[64];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(usb.getStringDescriptorAscii(open.handle, 3, buffer, sizeof buffer), 63);
    EXPECT_EQ(buffer[62], 'S');
    EXPECT_EQ(buffer[63], 0);

    EXPECT_EQ(usb.getStringDescriptorAscii(open.handle, 1, buffer, sizeof buffer), 6);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "Taliro");
    EXPECT_EQ(usb.getStringDescriptorAscii(open.handle, 2, buffer, sizeof buffer), LIBUSB_ERROR_PIPE);
    EXPECT_EQ(usb.getStringDescriptorAscii(open.handle, 0, buffer, sizeof buffer), LIBUSB_ERROR_INVALID_PARAM);
    open.release();
}

TEST(FakeUsb, KernelDriverAndOtherHandlesBlockTheClaim)
{
    FakeUsb usb;
    usb.addDevice(usb_testing::printerDevice(kVendor, kProduct, "ABC123"));
    OpenDevice open(usb);

    EXPECT_EQ(usb.kernelDriverActive(open.handle, 0), 1);
    EXPECT_EQ(usb.claimInterface(open.handle, 0), LIBUSB_ERROR_BUSY);
    EXPECT_EQ(usb.detachKernelDriver(open.handle, 0), 0);
    EXPECT_EQ(usb.kernelDriverActive(open.handle, 0), 0);
    EXPECT_EQ(usb.detachKernelDriver(open.handle, 0), LIBUSB_ERROR_NOT_FOUND);
    EXPECT_EQ(usb.claimInterface(open.handle, 0), 0);
    EXPECT_EQ(usb.claimInterface(open.handle, 1), LIBUSB_ERROR_NOT_FOUND);
    EXPECT_EQ(usb.kernelDriverActive(open.handle, 1), 0);
    EXPECT_EQ(usb.detachKernelDriver(open.handle, 1), LIBUSB_ERROR_INVALID_PARAM);

    libusb_device_handle* second = nullptr;
    ASSERT_EQ(usb.open(open.list[0], &second), 0);
    EXPECT_EQ(usb.claimInterface(second, 0), LIBUSB_ERROR_BUSY);
    // Nor can it reach the interface's endpoints.
    Bytes frame = headerOnlyFrame();
    int transferred = -1;
    EXPECT_EQ(usb.bulkTransfer(second, 0x01, frame.data(), 7, &transferred, 3000), LIBUSB_ERROR_IO);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x01, frame.data(), 7, &transferred, 3000), 0);
    usb.close(second);

    EXPECT_EQ(usb.releaseInterface(open.handle, 0), 0);
    open.release();
    EXPECT_TRUE(usb.leaks().empty());
    EXPECT_TRUE(usb.misuses().empty());
}

TEST(FakeUsb, ControlRequestsAnswerAsScripted)
{
    FakeUsb usb;
    auto script = usb_testing::printerDevice(kVendor, kProduct, "ABC123");
    script.controlAnswers[{0xA1, 0x33}] = FakeAnswer{0, Bytes(1500, 0x42)};
    script.controlAnswers[{0xA1, 0x34}] = FakeAnswer{LIBUSB_ERROR_TIMEOUT, {}};
    const int number = usb.addDevice(script);
    OpenDevice open(usb);

    Bytes buffer(1031, 0);
    // A kernel driver on interface 0 keeps class requests to it from going out.
    EXPECT_EQ(usb.controlTransfer(open.handle, 0xA1, 0x33, 0, 0, buffer.data() + 7, 1024, 2000), LIBUSB_ERROR_IO);
    ASSERT_EQ(usb.detachKernelDriver(open.handle, 0), 0);
    ASSERT_EQ(usb.claimInterface(open.handle, 0), 0);

    EXPECT_EQ(usb.controlTransfer(open.handle, 0xA1, 0x33, 0, 0, buffer.data() + 7, 1024, 2000), 1024);
    EXPECT_EQ(buffer[6], 0x00);
    EXPECT_EQ(buffer[7], 0x42);
    EXPECT_EQ(buffer[1030], 0x42);
    EXPECT_EQ(usb.controlTransfer(open.handle, 0xA1, 0x34, 0, 0, buffer.data() + 7, 1017, 2000), LIBUSB_ERROR_TIMEOUT);
    EXPECT_EQ(usb.controlTransfer(open.handle, 0xA1, 0x35, 0, 0, buffer.data(), 8, 2000), LIBUSB_ERROR_PIPE);

    const auto& requests = usb.controlRequests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[2].device, number);
    EXPECT_EQ(requests[2].request, 0x34);
    EXPECT_EQ(requests[2].length, 1017);
    EXPECT_EQ(requests[2].timeoutMs, 2000u);

    usb.releaseInterface(open.handle, 0);
    open.release();
}

TEST(FakeUsb, BulkTransfersReachOnlyTheFirstSettingsEndpoints)
{
    FakeUsb usb;
    auto script = usb_testing::printerDevice(kVendor, kProduct, "ABC123");
    // Setting 1 of interface 0 holds the pair 0x03 / 0x84; nothing selects it.
    usb_testing::FakeAltSetting second;
    second.endpoints = {{0x03, LIBUSB_TRANSFER_TYPE_BULK, 64}, {0x84, LIBUSB_TRANSFER_TYPE_BULK, 64}};
    script.configs[0].interfaces[0].altSettings.push_back(second);
    script.kernelDriverOn.clear();
    script.bulkInAnswers[0x82] = {FakeAnswer{0, {1, 2, 3}}, FakeAnswer{0, Bytes(100, 7)}};
    script.bulkInAnswers[0x84] = {FakeAnswer{LIBUSB_ERROR_PIPE, {9}}};
    usb.addDevice(script);
    OpenDevice open(usb);
    ASSERT_EQ(usb.claimInterface(open.handle, 0), 0);

    Bytes frame = headerOnlyFrame();
    Bytes in(64, 0);
    int transferred = -1;
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x01, frame.data(), 7, &transferred, 3000), 0);
    EXPECT_EQ(transferred, 7);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x82, in.data(), 64, &transferred, 3000), 0);
    EXPECT_EQ(transferred, 3);
    EXPECT_EQ(in[2], 3);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x82, in.data(), 64, &transferred, 3000), LIBUSB_ERROR_OVERFLOW);
    EXPECT_EQ(transferred, 64);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x82, in.data(), 64, &transferred, 3000), LIBUSB_ERROR_TIMEOUT);
    EXPECT_EQ(transferred, 0);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x03, frame.data(), 7, &transferred, 3000), LIBUSB_ERROR_IO);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x84, in.data(), 64, &transferred, 3000), LIBUSB_ERROR_IO);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x02, frame.data(), 7, &transferred, 3000), LIBUSB_ERROR_IO);

    usb.device(0).bulkOutAccepts = 5;
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x01, frame.data(), 7, &transferred, 0), 0);
    EXPECT_EQ(transferred, 5);

    Bytes onOne = frame;
    onOne.insert(onOne.end(), frame.begin(), frame.begin() + 5);
    EXPECT_EQ(usb.bulkOutData(0, 0x01), onOne);
    EXPECT_TRUE(usb.bulkOutData(0, 0x03).empty());
    EXPECT_EQ(usb.bulkTransfers().back().timeoutMs, 0u);

    usb.releaseInterface(open.handle, 0);
    open.release();
}

// A whole exchange as printer code makes it; the steps a test leaves out show up
// as leaks or misuse.
void exchange(FakeUsb& usb, const std::string& skip)
{
    libusb_context* context = nullptr;
    if (usb.init(&context) != 0)
        return;
    libusb_device** list = nullptr;
    const ssize_t count = usb.getDeviceList(context, &list);
    libusb_device_handle* handle = nullptr;
    for (ssize_t i = 0; i < count && handle == nullptr; ++i) {
        libusb_device_descriptor descriptor{};
        if (usb.getDeviceDescriptor(list[i], &descriptor) != 0 || descriptor.idProduct != kProduct)
            continue;
        if (usb.open(list[i], &handle) != 0)
            handle = nullptr;
    }
    if (count >= 0 && skip != "free_device_list")
        usb.freeDeviceList(list, skip == "unref" ? 0 : 1);
    if (handle != nullptr) {
        bool claimed = false;
        if (usb.kernelDriverActive(handle, 0) == 1)
            usb.detachKernelDriver(handle, 0);
        if (usb.claimInterface(handle, 0) == 0) {
            claimed = true;
            unsigned char data[16];
            int transferred = 0;
            usb.bulkTransfer(handle, 0x01, data, sizeof data, &transferred, 3000);
        }
        if (claimed && skip != "release_interface" && skip != "release and close")
            usb.releaseInterface(handle, 0);
        if (skip != "close" && skip != "release and close")
            usb.close(handle);
        if (skip == "close twice")
            usb.close(handle);
    }
    if (skip != "exit")
        usb.exit(context);
}

TEST(FakeUsb, ReportsWhatAnExchangeLeftBehind)
{
    struct Case {
        const char* skip;
        std::vector<std::string> leaks;
        std::vector<std::string> misuses;
    };
    const Case cases[] = {
        {"", {}, {}},
        {"free_device_list", {"device list not freed"}, {"library left with open handles or device lists"}},
        {"unref", {"device list freed without unreferencing its devices"}, {}},
        // Closing a handle gives its interfaces back, as on Linux.
        {"release_interface", {}, {}},
        {"close", {"handle of device 1 not closed"}, {"library left with open handles or device lists"}},
        {"release and close",
         {"handle of device 1 not closed", "interface 0 of device 1 still claimed"},
         {"library left with open handles or device lists"}},
        {"exit", {"context not left"}, {}},
        {"close twice", {}, {"unknown or closed device handle"}},
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        usb.addDevice(usb_testing::printerDevice(kVendor, 0x5A01, "X"));
        usb.addDevice(usb_testing::printerDevice(kVendor, kProduct, "ABC123"));
        exchange(usb, c.skip);
        EXPECT_EQ(usb.leaks(), c.leaks) << c.skip;
        EXPECT_EQ(usb.misuses(), c.misuses) << c.skip;
    }
}

TEST(FakeUsb, LogsEveryCallInOrder)
{
    FakeUsb usb;
    usb.addDevice(usb_testing::printerDevice(kVendor, 0x5A01, "X"));
    usb.addDevice(usb_testing::printerDevice(kVendor, kProduct, "ABC123"));
    exchange(usb, "");
    const std::vector<std::string> expected = {
        "init",           "get_device_list", "get_device_descriptor", "get_device_descriptor",
        "open",           "free_device_list", "kernel_driver_active", "detach_kernel_driver",
        "claim_interface", "bulk_transfer",   "release_interface",    "close",
        "exit"};
    EXPECT_EQ(usb.callNames(), expected);
    EXPECT_EQ(usb.calls()[3].device, 1);
    EXPECT_EQ(usb.calls()[4].device, 1);
    EXPECT_EQ(usb.callCount(UsbCall::GetDeviceDescriptor), 2);
}

TEST(FakeUsb, FailsTheChosenCallOnlyAndWithoutEffect)
{
    struct Case {
        UsbCall call;
        int occurrence;
        int error;
        std::vector<std::string> calls;  // the exchange as printer code would go on
    };
    const Case cases[] = {
        {UsbCall::Init, 1, LIBUSB_ERROR_OTHER, {"init"}},
        {UsbCall::GetDeviceList, 1, LIBUSB_ERROR_NO_MEM, {"init", "get_device_list", "exit"}},
        {UsbCall::GetDeviceDescriptor, 2, LIBUSB_ERROR_IO,
         {"init", "get_device_list", "get_device_descriptor", "get_device_descriptor", "free_device_list", "exit"}},
        {UsbCall::Open, 1, LIBUSB_ERROR_ACCESS,
         {"init", "get_device_list", "get_device_descriptor", "get_device_descriptor", "open", "free_device_list",
          "exit"}},
        {UsbCall::ClaimInterface, 1, LIBUSB_ERROR_BUSY,
         {"init", "get_device_list", "get_device_descriptor", "get_device_descriptor", "open", "free_device_list",
          "kernel_driver_active", "detach_kernel_driver", "claim_interface", "close", "exit"}},
        {UsbCall::BulkTransfer, 1, LIBUSB_ERROR_NO_DEVICE,
         {"init", "get_device_list", "get_device_descriptor", "get_device_descriptor", "open", "free_device_list",
          "kernel_driver_active", "detach_kernel_driver", "claim_interface", "bulk_transfer", "release_interface",
          "close", "exit"}},
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        usb.addDevice(usb_testing::printerDevice(kVendor, 0x5A01, "X"));
        usb.addDevice(usb_testing::printerDevice(kVendor, kProduct, "ABC123"));
        usb.failCall(c.call, c.error, c.occurrence);
        exchange(usb, "");
        const std::string name = usb_testing::usbCallName(c.call);
        EXPECT_EQ(usb.callNames(), c.calls) << name;
        int failed = 0;
        for (const auto& record : usb.calls())
            if (record.result == c.error && record.call == c.call)
                ++failed;
        EXPECT_EQ(failed, 1) << name;
        EXPECT_TRUE(usb.leaks().empty()) << name;
        EXPECT_TRUE(usb.misuses().empty()) << name;
    }
}

TEST(FakeUsb, FailedBulkTransferSetsTheCountOnlyWhenItRan)
{
    // libusb stores the count of a transfer that ran, whatever its end; one it
    // refused to start leaves the count alone.
    struct Case {
        int error;
        int transferred;
    };
    const Case cases[] = {
        {LIBUSB_ERROR_TIMEOUT, 0},
        {LIBUSB_ERROR_PIPE, 0},
        {LIBUSB_ERROR_OVERFLOW, 0},
        {LIBUSB_ERROR_NO_MEM, -1},
        {LIBUSB_ERROR_INVALID_PARAM, -1},
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        auto script = usb_testing::printerDevice(kVendor, kProduct, "ABC123");
        script.kernelDriverOn.clear();
        script.bulkInAnswers[0x82] = {FakeAnswer{0, {1, 2, 3}}};
        usb.addDevice(script);
        OpenDevice open(usb);
        ASSERT_EQ(usb.claimInterface(open.handle, 0), 0);
        usb.failCall(UsbCall::BulkTransfer, c.error);
        Bytes in(64, 0);
        int transferred = -1;
        EXPECT_EQ(usb.bulkTransfer(open.handle, 0x82, in.data(), 64, &transferred, 3000), c.error);
        EXPECT_EQ(transferred, c.transferred) << libusb_error_name(c.error);
        EXPECT_EQ(in[0], 0) << libusb_error_name(c.error);
        usb.releaseInterface(open.handle, 0);
        open.release();
    }
}

TEST(FakeUsb, UnansweredTransferWithoutATimeOutIsMisuse)
{
    // libusb takes a time-out of 0 as none: such a transfer would hang the caller.
    FakeUsb usb;
    auto script = usb_testing::printerDevice(kVendor, kProduct, "ABC123");
    script.kernelDriverOn.clear();
    script.controlAnswers[{0xA1, 0x34}] = FakeAnswer{LIBUSB_ERROR_TIMEOUT, {}};
    script.bulkInAnswers[0x82] = {FakeAnswer{0, {1}}, FakeAnswer{LIBUSB_ERROR_TIMEOUT, {2, 3}}};
    usb.addDevice(script);
    OpenDevice open(usb);
    ASSERT_EQ(usb.claimInterface(open.handle, 0), 0);
    Bytes in(64, 0);
    int transferred = -1;

    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x82, in.data(), 64, &transferred, 0), 0);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x01, in.data(), 64, &transferred, 0), 0);
    EXPECT_EQ(usb.controlTransfer(open.handle, 0xA1, 0x34, 0, 0, in.data(), 8, 2000), LIBUSB_ERROR_TIMEOUT);
    EXPECT_TRUE(usb.misuses().empty());

    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x82, in.data(), 64, &transferred, 0), LIBUSB_ERROR_TIMEOUT);
    EXPECT_EQ(transferred, 2);
    EXPECT_EQ(usb.bulkTransfer(open.handle, 0x82, in.data(), 64, &transferred, 0), LIBUSB_ERROR_TIMEOUT);
    EXPECT_EQ(usb.controlTransfer(open.handle, 0xA1, 0x34, 0, 0, in.data(), 8, 0), LIBUSB_ERROR_TIMEOUT);
    const std::vector<std::string> expected = {"bulk_transfer without a time-out never ends",
                                               "bulk_transfer without a time-out never ends",
                                               "control_transfer without a time-out never ends"};
    EXPECT_EQ(usb.misuses(), expected);
    usb.releaseInterface(open.handle, 0);
    open.release();
}

TEST(FakeUsb, DeviceUsedAfterItsListWasFreedIsMisuse)
{
    FakeUsb usb;
    usb.addDevice(usb_testing::printerDevice(kVendor, kProduct, "ABC123"));
    libusb_context* context = nullptr;
    ASSERT_EQ(usb.init(&context), 0);
    libusb_device** list = nullptr;
    ASSERT_EQ(usb.getDeviceList(context, &list), 1);
    libusb_device* device = list[0];
    usb.freeDeviceList(list, 1);
    libusb_device_descriptor descriptor{};
    usb.getDeviceDescriptor(device, &descriptor);
    usb.freeDeviceList(list, 1);
    usb.exit(context);
    usb.exit(context);
    const std::vector<std::string> expected = {"device 0 used without a reference", "unknown or freed device list",
                                               "context not initialised"};
    EXPECT_EQ(usb.misuses(), expected);
}

TEST(FakeUsb, DefaultContextCountsItsUsers)
{
    FakeUsb usb;
    ASSERT_EQ(usb.init(nullptr), 0);
    ASSERT_EQ(usb.init(nullptr), 0);
    libusb_device** list = nullptr;
    EXPECT_EQ(usb.getDeviceList(nullptr, &list), 0);
    usb.freeDeviceList(list, 1);
    usb.exit(nullptr);
    EXPECT_EQ(usb.leaks(), std::vector<std::string>{"default context initialised 1 more time(s)"});
    usb.exit(nullptr);
    EXPECT_TRUE(usb.leaks().empty());
    EXPECT_TRUE(usb.misuses().empty());
}

}  // namespace
