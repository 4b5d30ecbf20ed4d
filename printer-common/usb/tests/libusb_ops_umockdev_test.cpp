// The libusb implementation of the seam against devices emulated by umockdev,
// and the same exchanges against the libusb fake: both must give the same
// results, so tests written on the fake hold on real libusb.

#include "child_process.h"
#include "command_frame.h"
#include "fake_usb.h"
#include "umockdev_printer.h"
#include "usb_ops.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using usb_testing::FakeAnswer;
using usb_testing::FakeDevice;
using usb_testing::UmockdevPrinter;
using Bytes = std::vector<std::uint8_t>;

// A status frame with no body, built by the shared frame builder (7 bytes).
Bytes headerOnlyFrame()
{
    return command_frame::buildFrame(command_frame::kFunctionStatus, command_frame::kStatusQueryOperation, nullptr, 0);
}

constexpr std::uint16_t kVendor = 0x2F7A;

TEST(LibusbOpsUnderUmockdev, EnumeratesTheEmulatedPrinters)
{
    UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    ASSERT_EQ(bed.addDevice(usb_testing::printerDevice(kVendor, 0x5A03, "ABC123")), 0);
    ASSERT_EQ(bed.addDevice(usb_testing::printerDevice(kVendor, 0x5A01, "XYZ")), 1);

    UsbOps& usb = libusbOps();
    // Each exchange initialises and leaves the library again.
    for (int exchange = 0; exchange < 2; ++exchange) {
        libusb_context* context = nullptr;
        ASSERT_EQ(usb.init(&context), 0);
        libusb_device** list = nullptr;
        const ssize_t count = usb.getDeviceList(context, &list);
        ASSERT_EQ(count, 2);

        std::set<std::pair<int, std::string>> found;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor descriptor{};
            ASSERT_EQ(usb.getDeviceDescriptor(list[i], &descriptor), 0);
            EXPECT_EQ(descriptor.idVendor, kVendor);
            ASSERT_EQ(descriptor.bNumConfigurations, 1);

            libusb_config_descriptor* config = nullptr;
            ASSERT_EQ(usb.getConfigDescriptor(list[i], 0, &config), 0);
            ASSERT_EQ(config->bNumInterfaces, 1);
            const libusb_interface_descriptor& setting = config->interface[0].altsetting[0];
            EXPECT_EQ(setting.bInterfaceClass, LIBUSB_CLASS_PRINTER);
            ASSERT_EQ(setting.bNumEndpoints, 2);
            EXPECT_EQ(setting.endpoint[0].bEndpointAddress, 0x01);
            EXPECT_EQ(setting.endpoint[1].bEndpointAddress, 0x82);
            EXPECT_EQ(setting.endpoint[1].bmAttributes & 0x03, LIBUSB_TRANSFER_TYPE_BULK);
            usb.freeConfigDescriptor(config);

            libusb_device_handle* handle = nullptr;
            ASSERT_EQ(usb.open(list[i], &handle), 0);
            unsigned char serial[64] = {};
            EXPECT_GT(usb.getStringDescriptorAscii(handle, descriptor.iSerialNumber, serial, sizeof serial), 0);
            found.insert({descriptor.idProduct, reinterpret_cast<const char*>(serial)});
            usb.close(handle);
        }
        const std::set<std::pair<int, std::string>> expected = {{0x5A03, "ABC123"}, {0x5A01, "XYZ"}};
        EXPECT_EQ(found, expected);
        usb.freeDeviceList(list, 1);
        usb.exit(context);
    }
}

TEST(LibusbOpsUnderUmockdev, NoDeviceGivesAnEmptyList)
{
    UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    UsbOps& usb = libusbOps();
    libusb_context* context = nullptr;
    ASSERT_EQ(usb.init(&context), 0);
    libusb_device** list = nullptr;
    EXPECT_EQ(usb.getDeviceList(context, &list), 0);
    usb.freeDeviceList(list, 1);
    usb.exit(context);
}

// One step of an exchange on an open handle; gives the call's result and
// appends what it read to `seen`.
struct Step {
    const char* what;
    std::function<int(UsbOps&, libusb_device_handle*, Bytes& seen)> run;
};

int bulk(UsbOps& usb, libusb_device_handle* handle, std::uint8_t endpoint, Bytes data, Bytes& seen,
         unsigned int timeoutMs = 500)
{
    int transferred = -1;
    const int result = usb.bulkTransfer(handle, endpoint, data.data(), static_cast<int>(data.size()), &transferred,
                                        timeoutMs);
    seen.push_back(static_cast<std::uint8_t>(transferred));
    if (endpoint & LIBUSB_ENDPOINT_IN)
        seen.insert(seen.end(), data.begin(), data.begin() + std::max(transferred, 0));
    return result;
}

int control(UsbOps& usb, libusb_device_handle* handle, std::uint8_t request, std::uint16_t length, Bytes& seen)
{
    Bytes data(length, 0);
    const int result = usb.controlTransfer(handle, 0xA1, request, 0, 0, data.data(), length, 500);
    if (result > 0)
        seen.insert(seen.end(), data.begin(), data.begin() + result);
    return result;
}

const std::vector<Step>& steps()
{
    static const std::vector<Step> kSteps = {
        {"serial", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) {
             unsigned char text[8] = {};
             const int result = u.getStringDescriptorAscii(h, 3, text, sizeof text);
             seen.insert(seen.end(), text, text + sizeof text);
             return result;
         }},
        {"long manufacturer", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) {
             unsigned char text[255] = {};
             const int result = u.getStringDescriptorAscii(h, 1, text, sizeof text);
             seen.insert(seen.end(), text, text + sizeof text);
             return result;
         }},
        {"missing string", [](UsbOps& u, libusb_device_handle* h, Bytes&) {
             unsigned char text[8] = {};
             return u.getStringDescriptorAscii(h, 2, text, sizeof text);
         }},
        {"driver active", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.kernelDriverActive(h, 0); }},
        {"claim held by driver", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.claimInterface(h, 0); }},
        {"bulk while driver holds it",
         [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x01, {1, 2, 3}, seen); }},
        {"request while driver holds it",
         [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return control(u, h, 0x33, 1024, seen); }},
        {"detach", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.detachKernelDriver(h, 0); }},
        {"driver gone", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.kernelDriverActive(h, 0); }},
        {"detach again", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.detachKernelDriver(h, 0); }},
        {"driver on missing interface",
         [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.kernelDriverActive(h, 1); }},
        {"detach missing interface",
         [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.detachKernelDriver(h, 1); }},
        {"claim missing interface", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.claimInterface(h, 1); }},
        {"claim", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.claimInterface(h, 0); }},
        {"status request", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return control(u, h, 0x33, 1024, seen); }},
        {"cancel request", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return control(u, h, 0x34, 1017, seen); }},
        {"unanswered request", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return control(u, h, 0x35, 8, seen); }},
        {"frame out", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) {
             return bulk(u, h, 0x01, headerOnlyFrame(), seen);
         }},
        {"bulk to interrupt endpoint",
         [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x04, {6}, seen); }},
        {"bulk to isochronous endpoint",
         [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x05, {6}, seen); }},
        {"answer in", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x82, Bytes(64), seen); }},
        {"answer too long", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x82, Bytes(8), seen); }},
        {"stall in", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x82, Bytes(64), seen); }},
        {"no answer in", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) {
             return bulk(u, h, 0x82, Bytes(64), seen, 200);
         }},
        {"missing endpoint", [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x02, {1}, seen); }},
        {"endpoint of the second setting",
         [](UsbOps& u, libusb_device_handle* h, Bytes& seen) { return bulk(u, h, 0x03, {4, 5}, seen); }},
        {"release", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.releaseInterface(h, 0); }},
        {"release again", [](UsbOps& u, libusb_device_handle* h, Bytes&) { return u.releaseInterface(h, 0); }},
    };
    return kSteps;
}

FakeDevice scriptedPrinter()
{
    FakeDevice script = usb_testing::printerDevice(kVendor, 0x5A03, "AB\xC4" "123456789");
    script.product.clear();
    script.manufacturer = std::string(200, 'M');
    script.configs[0].interfaces[0].altSettings[0].endpoints.push_back({0x04, LIBUSB_TRANSFER_TYPE_INTERRUPT, 64});
    script.configs[0].interfaces[0].altSettings[0].endpoints.push_back({0x05, LIBUSB_TRANSFER_TYPE_ISOCHRONOUS, 64});
    usb_testing::FakeAltSetting second;
    second.endpoints = {{0x03, LIBUSB_TRANSFER_TYPE_BULK, 64}, {0x84, LIBUSB_TRANSFER_TYPE_BULK, 64}};
    script.configs[0].interfaces[0].altSettings.push_back(second);
    Bytes status(1100);
    for (std::size_t i = 0; i < status.size(); ++i)
        status[i] = static_cast<std::uint8_t>(i);
    script.controlAnswers[{0xA1, 0x33}] = FakeAnswer{0, status};
    script.controlAnswers[{0xA1, 0x34}] = FakeAnswer{0, {0x01}};
    script.bulkInAnswers[0x82] = {FakeAnswer{0, command_frame::buildFrame(command_frame::kFunctionStatus,
                                                                          command_frame::kStatusQueryOperation,
                                                                          Bytes{0x00}.data(), 1)},
                                FakeAnswer{0, Bytes(9, 0x77)}, FakeAnswer{LIBUSB_ERROR_PIPE, {}}};
    return script;
}

struct Outcome {
    std::vector<int> results;
    Bytes seen;
};

Outcome runSteps(UsbOps& usb)
{
    Outcome outcome;
    libusb_context* context = nullptr;
    EXPECT_EQ(usb.init(&context), 0);
    libusb_device** list = nullptr;
    EXPECT_EQ(usb.getDeviceList(context, &list), 1);
    libusb_device_handle* handle = nullptr;
    EXPECT_EQ(usb.open(list[0], &handle), 0);
    usb.freeDeviceList(list, 1);
    for (const Step& step : steps())
        outcome.results.push_back(step.run(usb, handle, outcome.seen));
    usb.close(handle);
    usb.exit(context);
    return outcome;
}

TEST(LibusbOpsUnderUmockdev, FakeAndRealLibusbGiveTheSameResults)
{
    UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    ASSERT_EQ(bed.addDevice(scriptedPrinter()), 0);
    const Outcome real = runSteps(libusbOps());

    usb_testing::FakeUsb fake;
    fake.addDevice(scriptedPrinter());
    const Outcome faked = runSteps(fake);

    ASSERT_EQ(real.results.size(), steps().size());
    for (std::size_t i = 0; i < steps().size(); ++i)
        EXPECT_EQ(faked.results[i], real.results[i])
            << steps()[i].what << ": fake " << libusb_error_name(faked.results[i]) << ", libusb "
            << libusb_error_name(real.results[i]);
    EXPECT_EQ(faked.seen, real.seen);
    EXPECT_TRUE(fake.leaks().empty());
    EXPECT_EQ(fake.misuses(), std::vector<std::string>{"release of unclaimed interface 0"});

    // Both saw the same requests and data.
    const auto realControls = bed.controlRequests();
    const auto fakeControls = fake.controlRequests();
    ASSERT_EQ(realControls.size(), fakeControls.size());
    for (std::size_t i = 0; i < realControls.size(); ++i) {
        EXPECT_EQ(realControls[i].request, fakeControls[i].request);
        EXPECT_EQ(realControls[i].length, fakeControls[i].length);
    }
    EXPECT_EQ(bed.bulkOutData(0, 0x01), fake.bulkOutData(0, 0x01));
    EXPECT_EQ(bed.bulkOutData(0, 0x03), fake.bulkOutData(0, 0x03));
    EXPECT_EQ(bed.bulkOutData(0, 0x04), fake.bulkOutData(0, 0x04));
    EXPECT_TRUE(bed.claimedInterfaces(0).empty());
    EXPECT_FALSE(bed.kernelDriverOn(0, 0));
}

TEST(LibusbOpsUnderUmockdev, OtherProcessesReachTheEmulatedPrinter)
{
    UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    FakeDevice printer = usb_testing::printerDevice(kVendor, 0x5A03, "ABC123");
    printer.controlAnswers[{0xA1, 0x33}] = FakeAnswer{0, Bytes(82, 0xA5)};
    ASSERT_EQ(bed.addDevice(printer), 0);

    // The second run finds the interface free: the first one's claim ended with its device file.
    for (int run = 1; run <= 2; ++run) {
        std::string output;
        EXPECT_EQ(testbed::runProgram({USB_PROBE_PATH}, 10000, &output), 0) << "run " << run;
        EXPECT_EQ(output, "ABC123 82\n") << "run " << run;
        // umockdev notices the closed file on its own thread.
        for (int wait = 0; wait < 3000 && !bed.claimedInterfaces(0).empty(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(bed.claimedInterfaces(0).empty()) << "run " << run;
    }
    const auto requests = bed.controlRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].requestType, 0xA1);
    EXPECT_EQ(requests[0].request, 0x33);
    EXPECT_EQ(requests[0].length, 1024);
}

}  // namespace
