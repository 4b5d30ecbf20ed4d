#include "umockdev_printer.h"

#include <umockdev.h>

#include <cstdio>

namespace usb_testing {

std::vector<std::uint8_t> printerDescriptors(std::uint16_t vendorId, std::uint16_t productId)
{
    const auto low = [](std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); };
    const auto high = [](std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); };
    return {
        // device: USB 2.0, class per interface, 64-byte EP0, bcdDevice 1.00, strings 1 2 3, one configuration
        0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, low(vendorId), high(vendorId), low(productId),
        high(productId), 0x00, 0x01, 0x01, 0x02, 0x03, 0x01,
        // configuration 1: 32 bytes in all, one interface, self-powered
        0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xC0, 0x32,
        // interface 0, setting 0: two endpoints, printer class, bidirectional
        0x09, 0x04, 0x00, 0x00, 0x02, 0x07, 0x01, 0x02, 0x00,
        // bulk OUT 0x01 and bulk IN 0x82, 64-byte packets
        0x07, 0x05, 0x01, 0x02, 0x40, 0x00, 0x00,
        0x07, 0x05, 0x82, 0x02, 0x40, 0x00, 0x00};
}

UmockdevPrinter::UmockdevPrinter() : testbed_(umockdev_testbed_new()) {}

UmockdevPrinter::~UmockdevPrinter()
{
    g_object_unref(testbed_);
}

bool UmockdevPrinter::active() const
{
    // Known only once a test bed exists.
    return umockdev_in_mock_environment();
}

std::string UmockdevPrinter::addDevice(int deviceNumber, const std::vector<std::uint8_t>& descriptors)
{
    if (deviceNumber < 1 || deviceNumber > 127)
        return {};
    // The record format of umockdev-record: P sysfs path, N device node,
    // E udev property, A attribute, H binary attribute in hex.
    char head[512];
    std::snprintf(head, sizeof head,
                  "P: /devices/pci0000:00/0000:00:14.0/usb1/1-%d\n"
                  "N: bus/usb/001/%03d\n"
                  "E: SUBSYSTEM=usb\n"
                  "E: DEVTYPE=usb_device\n"
                  "E: BUSNUM=001\n"
                  "E: DEVNUM=%03d\n"
                  "E: DEVNAME=/dev/bus/usb/001/%03d\n"
                  "A: busnum=1\n"
                  "A: devnum=%d\n"
                  "A: speed=480\n"
                  "H: descriptors=",
                  deviceNumber, deviceNumber, deviceNumber, deviceNumber, deviceNumber);
    std::string record = head;
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t byte : descriptors) {
        record += kDigits[byte >> 4];
        record += kDigits[byte & 0x0F];
    }
    record += '\n';
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        std::fprintf(stderr, "umockdev: %s\n", error != nullptr ? error->message : "add failed");
        g_clear_error(&error);
        return {};
    }
    char path[96];
    std::snprintf(path, sizeof path, "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%d", deviceNumber);
    return path;
}

}  // namespace usb_testing
