// One libusb session per request to a USB printer, against the scripted bus:
// which device it picks, what each failure returns, and that every session
// gives back all it took.

#include "fake_usb.h"
#include "usb_control_session.h"

#include <gtest/gtest.h>

namespace {

using usb_testing::FakeAnswer;
using usb_testing::FakeDevice;
using usb_testing::FakeUsb;
using usb_testing::UsbCall;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kVendor = 0x2F7A;
constexpr std::uint16_t kMdw = 0x5A03;  // "TX%20560MDW"
const QString kPort = QStringLiteral("Taliro/TX%20560MDW?serial=ABC123");

FakeDevice Printer(std::uint16_t product, const std::string& serial, const Bytes& status = Bytes(40, 0x11))
{
    FakeDevice device = usb_testing::printerDevice(kVendor, product, serial);
    device.controlAnswers[{0xA1, 0x33}] = FakeAnswer{0, status};
    device.controlAnswers[{0xA1, 0x34}] = FakeAnswer{0, {0x00}};
    return device;
}

struct Outcome {
    int result;
    unsigned transferred;
};

Outcome StatusRequest(FakeUsb& usb, const QString& port = kPort, unsigned char* data = nullptr)
{
    unsigned char buffer[1024] = {};
    unsigned transferred = 0;
    const int result = RunUsbControlSession(usb, port, kUsbStatusRequest, data != nullptr ? data : buffer,
                                            &transferred, UsbSessionLog::Status);
    return {result, transferred};
}

TEST(UsbControlSession, EachFailureHasItsResultAndLeavesNothingOpen)
{
    struct Case {
        const char* what;
        std::function<void(FakeUsb&)> script;
        int result;
    };
    const Case cases[] = {
        {"answered", [](FakeUsb&) {}, 0},
        {"libusb does not start", [](FakeUsb& usb) { usb.failCall(UsbCall::Init, LIBUSB_ERROR_OTHER); }, -2},
        {"no device list", [](FakeUsb& usb) { usb.failCall(UsbCall::GetDeviceList, LIBUSB_ERROR_NO_MEM); }, -3},
        {"descriptor unreadable",
         [](FakeUsb& usb) { usb.failCall(UsbCall::GetDeviceDescriptor, LIBUSB_ERROR_IO); }, -4},
        {"the printer cannot be opened", [](FakeUsb& usb) { usb.failCall(UsbCall::Open, LIBUSB_ERROR_ACCESS); }, -4},
        {"serial number unreadable",
         [](FakeUsb& usb) { usb.failCall(UsbCall::GetStringDescriptorAscii, LIBUSB_ERROR_PIPE); }, -4},
        {"interface held elsewhere", [](FakeUsb& usb) { usb.failCall(UsbCall::ClaimInterface, LIBUSB_ERROR_BUSY); }, -6},
        {"request time-out",
         [](FakeUsb& usb) { usb.failCall(UsbCall::ControlTransfer, LIBUSB_ERROR_TIMEOUT); }, LIBUSB_ERROR_TIMEOUT},
        {"request unanswered", [](FakeUsb& usb) { usb.device(1).controlAnswers.clear(); }, LIBUSB_ERROR_PIPE},
        // libusb's "not found" from the transfer reads as no device, as the poller takes it.
        {"printer gone during the request",
         [](FakeUsb& usb) { usb.failCall(UsbCall::ControlTransfer, LIBUSB_ERROR_NOT_FOUND); }, -5},
        {"only other models", [](FakeUsb& usb) { usb.device(1).productId = 0x5A04; }, -5},
        {"only other serial numbers", [](FakeUsb& usb) { usb.device(1).serialNumber = "XYZ999"; }, -5},
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        usb.addDevice(usb_testing::printerDevice(0x1234, 0x0001, "KBD"));
        usb.addDevice(Printer(kMdw, "ABC123"));
        c.script(usb);
        const Outcome outcome = StatusRequest(usb);
        EXPECT_EQ(outcome.result, c.result) << c.what;
        EXPECT_EQ(outcome.transferred, c.result == 0 ? 40u : 0u) << c.what;
        EXPECT_TRUE(usb.leaks().empty()) << c.what << ": " << ::testing::PrintToString(usb.leaks());
        EXPECT_TRUE(usb.misuses().empty()) << c.what << ": " << ::testing::PrintToString(usb.misuses());
    }
}

TEST(UsbControlSession, SessionDetachesClaimsAndGivesBackInOrder)
{
    FakeUsb usb;
    usb.addDevice(Printer(kMdw, "ABC123"));
    ASSERT_EQ(StatusRequest(usb).result, 0);
    const std::vector<std::string> expected = {
        "init", "get_device_list", "get_device_descriptor", "open", "get_string_descriptor_ascii",
        "free_device_list", "kernel_driver_active", "detach_kernel_driver", "claim_interface", "control_transfer",
        "release_interface", "close", "exit"};
    EXPECT_EQ(usb.callNames(), expected);
    ASSERT_EQ(usb.controlRequests().size(), 1u);
    const auto& request = usb.controlRequests()[0];
    EXPECT_EQ(request.requestType, 0xA1);
    EXPECT_EQ(request.request, 0x33);
    EXPECT_EQ(request.value, 0);
    EXPECT_EQ(request.index, 0);
    EXPECT_EQ(request.length, 1024);
    EXPECT_EQ(request.timeoutMs, 2000u);

    // A port naming no model touches no USB at all.
    FakeUsb untouched;
    EXPECT_EQ(StatusRequest(untouched, QStringLiteral("Other/Printer?serial=ABC123")).result, -1);
    EXPECT_TRUE(untouched.calls().empty());
}

TEST(UsbControlSession, PicksTheDeviceWhoseSerialNumberThePortNames)
{
    struct Case {
        const char* port;
        const char* serials[2];
        int picked;  // -1: none
    };
    const Case cases[] = {
        {"Taliro/TX%20560MDW?serial=ABC123", {"XYZ", "ABC123"}, 1},
        {"Taliro/TX%20560MDW?serial=abc123", {"ABC123", "XYZ"}, 0},               // any case
        {"Taliro/TX%20560MDW?serial=ABC", {"AB", "ABC123"}, 1},                   // device serial cut to the item
        {"Taliro/TX%20560MDW?serial=ABC1234", {"ABC123", "ABC12"}, -1},           // a longer item never matches
        {"Taliro/TX%20560MDW?serial=ABC123&interface=1", {"ABC123", "X"}, 0},
        {"Taliro/TX%20560MDW?interface=1", {"ABC123", "X"}, 0},                   // no item: the first of the model
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        usb.addDevice(Printer(kMdw, c.serials[0], Bytes(10, 0xA0)));
        usb.addDevice(Printer(kMdw, c.serials[1], Bytes(20, 0xB1)));
        const Outcome outcome = StatusRequest(usb, QString::fromLatin1(c.port));
        if (c.picked < 0) {
            EXPECT_EQ(outcome.result, -5) << c.port;
            continue;
        }
        EXPECT_EQ(outcome.result, 0) << c.port;
        ASSERT_EQ(usb.controlRequests().size(), 1u) << c.port;
        EXPECT_EQ(usb.controlRequests()[0].device, c.picked) << c.port;
        EXPECT_TRUE(usb.leaks().empty()) << c.port;
    }
}

TEST(UsbControlSession, CancelRequestAsksForTheCancelAnswer)
{
    FakeUsb usb;
    usb.addDevice(Printer(kMdw, "ABC123"));
    unsigned char buffer[1017] = {};
    unsigned transferred = 0;
    EXPECT_EQ(RunUsbControlSession(usb, kPort, kUsbCancelRequest, buffer, &transferred, UsbSessionLog::Cancel), 0);
    ASSERT_EQ(usb.controlRequests().size(), 1u);
    EXPECT_EQ(usb.controlRequests()[0].requestType, 0xA1);
    EXPECT_EQ(usb.controlRequests()[0].request, 0x34);
    EXPECT_EQ(usb.controlRequests()[0].length, 1017);
    EXPECT_EQ(usb.controlRequests()[0].timeoutMs, 2000u);
    EXPECT_TRUE(usb.leaks().empty());
}

}  // namespace
