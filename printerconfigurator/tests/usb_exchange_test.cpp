// One USB exchange of a command frame against the scripted bus: which device
// and interface it picks, the result and message of each failure, and that
// every exchange gives back all it took.

#include "base_form.h"
#include "fake_usb.h"
#include "util_libusb.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using usb_testing::FakeAnswer;
using usb_testing::FakeDevice;
using usb_testing::FakeUsb;
using usb_testing::UsbCall;
using Bytes = std::vector<std::uint8_t>;

constexpr int kVendor = 0x2F7A;
constexpr int kMdw = 0x5A03;
const QString kPort = QStringLiteral("Taliro/TX%20560MDW?serial=ABC123");
const Bytes kFrame = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x2E, 0x02, 0x01, 0x01, 0x01};
const Bytes kAnswer = {0xA5, 0x00, 0x04, 0x50, 0xE0, 0x2E, 0x02};

FakeDevice Printer(const std::string& serial, std::uint16_t product = kMdw)
{
    FakeDevice device = usb_testing::printerDevice(kVendor, product, serial);
    device.bulkInAnswers[0x82] = {FakeAnswer{0, kAnswer}};
    return device;
}

struct Exchange {
    int result;
    int received;
    Bytes reply;
};

Exchange RunExchange(FakeUsb& usb, const QString& port = kPort)
{
    unsigned char reply[1024] = {};
    int received = -99;
    const int result = USBSendRecvData(usb, kVendor, kMdw, port, kFrame.data(), static_cast<int>(kFrame.size()),
                                       reply, sizeof reply, received);
    return {result, received, Bytes(reply, reply + std::max(received, 0))};
}

// Selects the printer and its interface as an exchange does, then gives
// everything back; the result of the interface search.
int FindInterface(FakeUsb& usb, userDevice& selection)
{
    selection = userDevice{};
    selection.idVendor = kVendor;
    selection.idProduct = kMdw;
    selection.bInterfaceClass = LIBUSB_CLASS_PRINTER;
    selection.bTransferType = LIBUSB_TRANSFER_TYPE_BULK;
    EXPECT_EQ(init_libusb(usb), 0);
    libusb_device_descriptor descriptor{};
    EXPECT_EQ(get_device_descriptor(usb, descriptor, selection, kPort), 0);
    const int result = get_device_endpoint(usb, descriptor, selection);
    usb.freeDeviceList(selection.devs, 1);
    usb.exit(nullptr);
    return result;
}

void ExpectEverythingGivenBack(const FakeUsb& usb, const std::string& what)
{
    EXPECT_TRUE(usb.leaks().empty()) << what << ": " << ::testing::PrintToString(usb.leaks());
    EXPECT_TRUE(usb.misuses().empty()) << what << ": " << ::testing::PrintToString(usb.misuses());
}

TEST(UsbExchange, EachFailureHasItsCodeAndMessageAndLeavesNothingTaken)
{
    struct Case {
        const char* what;
        std::function<void(FakeUsb&)> script;
        int result;
        const char* message;  // empty: the exchange succeeded
        std::size_t delivered;  // bytes of the frame the printer took
    };
    const char* connect = "连接打印机失败，请检查连接状态！";
    const char* communicate = "与打印机通信失败，请检查打印机状态并重新尝试！";
    const Case cases[] = {
        {"answered", [](FakeUsb&) {}, 0, "", 10},
        {"libusb does not start", [](FakeUsb& usb) { usb.failCall(UsbCall::Init, LIBUSB_ERROR_OTHER); }, -1,
         "设备接口初始化失败！", 0},
        {"no device list", [](FakeUsb& usb) { usb.failCall(UsbCall::GetDeviceList, LIBUSB_ERROR_NO_MEM); }, -2,
         connect, 0},
        {"a device descriptor unreadable",
         [](FakeUsb& usb) { usb.failCall(UsbCall::GetDeviceDescriptor, LIBUSB_ERROR_IO, 2); }, -2, connect, 0},
        {"only another model", [](FakeUsb& usb) { usb.device(1).productId = 0x5A04; }, -2, connect, 0},
        {"only another serial number", [](FakeUsb& usb) { usb.device(1).serialNumber = "XYZ123"; }, -2, connect,
         0},
        {"the printer does not open for the search", [](FakeUsb& usb) { usb.failCall(UsbCall::Open, LIBUSB_ERROR_ACCESS); },
         -2, connect, 0},
        {"serial number unreadable",
         [](FakeUsb& usb) { usb.failCall(UsbCall::GetStringDescriptorAscii, LIBUSB_ERROR_PIPE); }, -2, connect, 0},
        {"configuration unreadable",
         [](FakeUsb& usb) { usb.failCall(UsbCall::GetConfigDescriptor, LIBUSB_ERROR_IO); }, -3, connect, 0},
        {"OUT endpoint at 0x02",
         [](FakeUsb& usb) { usb.device(1).configs[0].interfaces[0].altSettings[0].endpoints[0].address = 0x02; }, -3,
         connect, 0},
        {"no printer-class interface",
         [](FakeUsb& usb) { usb.device(1).configs[0].interfaces[0].altSettings[0].interfaceClass = 0xFF; }, -3, connect,
         0},
        {"no bulk IN endpoint",
         [](FakeUsb& usb) {
             usb.device(1).configs[0].interfaces[0].altSettings[0].endpoints[1].attributes =
                 LIBUSB_TRANSFER_TYPE_INTERRUPT;
         },
         -3, connect, 0},
        {"no configuration", [](FakeUsb& usb) { usb.device(1).configs.clear(); }, -3, connect, 0},
        {"the printer does not open for the exchange",
         [](FakeUsb& usb) { usb.failCall(UsbCall::Open, LIBUSB_ERROR_ACCESS, 2); }, -4, connect, 0},
        {"the kernel driver does not let go",
         [](FakeUsb& usb) { usb.failCall(UsbCall::DetachKernelDriver, LIBUSB_ERROR_ACCESS); }, -5, connect, 0},
        {"claimed elsewhere after the detach",
         [](FakeUsb& usb) { usb.failCall(UsbCall::ClaimInterface, LIBUSB_ERROR_BUSY, 2); }, -5, connect, 0},
        {"bulk OUT fails", [](FakeUsb& usb) { usb.failCall(UsbCall::BulkTransfer, LIBUSB_ERROR_IO); }, -6,
         communicate, 0},
        {"bulk OUT short", [](FakeUsb& usb) { usb.device(1).bulkOutAccepts = 4; }, -6, communicate, 4},
        {"no answer within the time-out", [](FakeUsb& usb) { usb.device(1).bulkInAnswers.clear(); }, -7,
         communicate, 10},
        {"bulk IN fails", [](FakeUsb& usb) { usb.failCall(UsbCall::BulkTransfer, LIBUSB_ERROR_PIPE, 2); }, -7,
         communicate, 10},
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        usb.addDevice(usb_testing::printerDevice(0x1234, 0x0001, "KBD"));
        usb.addDevice(Printer("ABC123"));
        c.script(usb);
        const Exchange exchange = RunExchange(usb);
        EXPECT_EQ(exchange.result, c.result) << c.what;
        if (c.result == 0) {
            EXPECT_EQ(exchange.received, static_cast<int>(kAnswer.size())) << c.what;
            EXPECT_EQ(exchange.reply, kAnswer) << c.what;
        } else {
            EXPECT_EQ(exchange.received, 0) << c.what;
            EXPECT_EQ(UsbResultMessage(exchange.result), QString::fromUtf8(c.message)) << c.what;
        }
        EXPECT_EQ(usb.bulkOutData(1, 0x01), Bytes(kFrame.begin(), kFrame.begin() + static_cast<long>(c.delivered)))
            << c.what;
        ExpectEverythingGivenBack(usb, c.what);
    }
    EXPECT_EQ(UsbResultMessage(-8), QStringLiteral("未知错误！"));
    EXPECT_EQ(UsbResultMessage(1), QStringLiteral("未知错误！"));
}

TEST(UsbExchange, ClaimsFirstAndDetachesTheKernelDriverOnlyWhenTheClaimFails)
{
    FakeUsb usb;
    usb.addDevice(Printer("ABC123"));
    ASSERT_EQ(RunExchange(usb).result, 0);
    const std::vector<std::string> held = {
        "init", "get_device_list", "get_device_descriptor", "open", "get_string_descriptor_ascii", "close",
        "get_config_descriptor", "free_config_descriptor", "open", "claim_interface", "detach_kernel_driver",
        "claim_interface", "bulk_transfer", "bulk_transfer", "free_device_list", "release_interface", "close",
        "exit"};
    EXPECT_EQ(usb.callNames(), held);
    ASSERT_EQ(usb.bulkTransfers().size(), 2u);
    EXPECT_EQ(usb.bulkTransfers()[0].endpoint, 0x01);
    EXPECT_EQ(usb.bulkTransfers()[0].timeoutMs, 3000u);
    EXPECT_EQ(usb.bulkTransfers()[1].endpoint, 0x82);
    EXPECT_EQ(usb.bulkTransfers()[1].length, 1024);
    EXPECT_EQ(usb.bulkTransfers()[1].timeoutMs, 3000u);

    // Without a kernel driver the first claim holds and nothing is detached.
    FakeUsb free;
    FakeDevice device = Printer("ABC123");
    device.kernelDriverOn.clear();
    free.addDevice(device);
    ASSERT_EQ(RunExchange(free).result, 0);
    EXPECT_EQ(free.callCount(UsbCall::ClaimInterface), 1);
    EXPECT_EQ(free.callCount(UsbCall::DetachKernelDriver), 0);
    ExpectEverythingGivenBack(free, "no kernel driver");
}

TEST(UsbExchange, ReachesTheFirstPrinterWhoseSerialNumberBeginsWithThePortsSerial)
{
    struct Case {
        const char* what;
        const char* port;
        std::vector<std::string> serials;
        int reached;  // -1: none
    };
    const Case cases[] = {
        {"a prefix, after a near miss", "Taliro/TX%20560MDW?serial=ABC", {"ABD", "ABC123"}, 1},
        {"the first of two that match", "Taliro/TX%20560MDW?serial=ABC", {"ABC9", "ABC123"}, 0},
        {"case counts", "Taliro/TX%20560MDW?serial=abc123", {"ABC123"}, -1},
        {"a longer serial never matches", "Taliro/TX%20560MDW?serial=ABC1234", {"ABC123"}, -1},
        {"no serial takes the first of the model", "Taliro/TX%20560MDW", {"XYZ", "ABC123"}, 0},
        {"an empty serial takes the first of the model", "Taliro/TX%20560MDW?serial=", {"XYZ", "ABC123"}, 0},
        {"other query items", "Taliro/TX%20560MDW?interface=1&serial=ABC123", {"X", "ABC123"}, 1},
        {"an escaped serial", "Taliro/TX%20560MDW?serial=AB%43123", {"ABC123"}, 0},
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        for (const std::string& serial : c.serials)
            usb.addDevice(Printer(serial));
        const Exchange exchange = RunExchange(usb, QString::fromLatin1(c.port));
        EXPECT_EQ(exchange.result, c.reached < 0 ? -2 : 0) << c.what;
        for (int device = 0; device < static_cast<int>(c.serials.size()); ++device)
            EXPECT_EQ(usb.bulkOutData(device, 0x01), device == c.reached ? kFrame : Bytes()) << c.what << " " << device;
        ExpectEverythingGivenBack(usb, c.what);
    }

    // A device that does not open is passed over, and so is one whose serial
    // number cannot be read, even when any serial would do.
    FakeUsb usb;
    usb.addDevice(Printer("ABC1"));
    usb.addDevice(Printer("ABC2"));
    usb.addDevice(Printer("ABC3"));
    usb.failCall(UsbCall::Open, LIBUSB_ERROR_ACCESS, 1);
    usb.failCall(UsbCall::GetStringDescriptorAscii, LIBUSB_ERROR_PIPE, 1);
    EXPECT_EQ(RunExchange(usb, QStringLiteral("Taliro/TX%20560MDW")).result, 0);
    EXPECT_EQ(usb.bulkOutData(2, 0x01), kFrame);
    ExpectEverythingGivenBack(usb, "passed over");
}

TEST(UsbExchange, FindsThePrinterInterfaceWithBulkEndpointsAndOutAt0x01)
{
    using usb_testing::FakeAltSetting;
    using usb_testing::FakeConfig;
    using usb_testing::FakeInterface;
    const FakeAltSetting printer{LIBUSB_CLASS_PRINTER, {{0x01, LIBUSB_TRANSFER_TYPE_BULK, 64},
                                                        {0x82, LIBUSB_TRANSFER_TYPE_BULK, 64}}};
    const FakeAltSetting outAt2{LIBUSB_CLASS_PRINTER, {{0x82, LIBUSB_TRANSFER_TYPE_BULK, 64},
                                                       {0x02, LIBUSB_TRANSFER_TYPE_BULK, 64}}};
    const FakeAltSetting vendor{0xFF, {{0x01, LIBUSB_TRANSFER_TYPE_BULK, 64}, {0x81, LIBUSB_TRANSFER_TYPE_BULK, 64}}};
    // Interrupt endpoints beside the bulk ones are not taken.
    const FakeAltSetting withInterrupt{LIBUSB_CLASS_PRINTER, {{0x83, LIBUSB_TRANSFER_TYPE_INTERRUPT, 8},
                                                              {0x01, LIBUSB_TRANSFER_TYPE_BULK, 64},
                                                              {0x82, LIBUSB_TRANSFER_TYPE_BULK, 64},
                                                              {0x04, LIBUSB_TRANSFER_TYPE_INTERRUPT, 8}}};
    // IN in one setting and OUT in the next make no pair.
    const FakeAltSetting inOnly{LIBUSB_CLASS_PRINTER, {{0x82, LIBUSB_TRANSFER_TYPE_BULK, 64}}};
    const FakeAltSetting outOnly{LIBUSB_CLASS_PRINTER, {{0x01, LIBUSB_TRANSFER_TYPE_BULK, 64}}};
    struct Case {
        const char* what;
        std::vector<FakeInterface> interfaces;
        int result;
        int interfaceNumber;
    };
    const Case cases[] = {
        {"the printer interface after a vendor one", {{{vendor}}, {{printer}}}, 0, 1},
        {"OUT at 0x02", {{{outAt2}}}, -3, 0},
        {"OUT at 0x02 then a sound interface", {{{outAt2}}, {{printer}}}, 0, 1},
        {"only a vendor interface", {{{vendor}}}, -3, 0},
        {"interrupt endpoints beside", {{{withInterrupt}}}, 0, 0},
        {"IN and OUT in different settings", {{{inOnly, outOnly}}}, -3, 0},
    };
    for (const Case& c : cases) {
        FakeDevice device = Printer("ABC123");
        device.configs = {FakeConfig{c.interfaces}};
        device.kernelDriverOn.clear();
        FakeUsb usb;
        usb.addDevice(device);
        EXPECT_EQ(RunExchange(usb).result, c.result) << c.what;
        EXPECT_EQ(usb.bulkOutData(0, 0x01), c.result == 0 ? kFrame : Bytes()) << c.what;
        ExpectEverythingGivenBack(usb, c.what);

        FakeUsb selectionOnly;
        selectionOnly.addDevice(device);
        userDevice selection{};
        EXPECT_EQ(FindInterface(selectionOnly, selection), c.result == 0 ? 0 : -2) << c.what;
        if (c.result == 0) {
            EXPECT_EQ(selection.bInterfaceNumber, c.interfaceNumber) << c.what;
        }
        ExpectEverythingGivenBack(selectionOnly, c.what);
    }

    // The second configuration is searched when the first has no such interface.
    FakeDevice device = Printer("ABC123");
    device.configs = {FakeConfig{{{{vendor}}}}, FakeConfig{{{{printer}}}}};
    FakeUsb usb;
    usb.addDevice(device);
    userDevice selection{};
    EXPECT_EQ(FindInterface(usb, selection), 0);
    EXPECT_EQ(selection.bOutEndpointAddress, 0x01);
    EXPECT_EQ(selection.bInEndpointAddress, 0x82);
    EXPECT_EQ(selection.bInterfaceNumber, 0);
    EXPECT_EQ(usb.callCount(UsbCall::GetConfigDescriptor), 2);
    ExpectEverythingGivenBack(usb, "second configuration");
}

}  // namespace
