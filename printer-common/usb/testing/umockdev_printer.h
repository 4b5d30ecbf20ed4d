#pragma once

// An emulated USB printer for the real libusb code: a umockdev test bed with
// one printer's sysfs entry and device node. The program must run under
// umockdev-wrapper (testbed_add_umockdev_gtest), which redirects /sys and /dev.

#include <cstdint>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace usb_testing {

// The descriptors file of a printer: an 18-byte device descriptor (strings
// 1, 2, 3) and one configuration with interface 0 of class 7 and the bulk
// endpoints OUT 0x01 and IN 0x82.
std::vector<std::uint8_t> printerDescriptors(std::uint16_t vendorId, std::uint16_t productId);

class UmockdevPrinter {
public:
    UmockdevPrinter();
    ~UmockdevPrinter();
    UmockdevPrinter(const UmockdevPrinter&) = delete;
    UmockdevPrinter& operator=(const UmockdevPrinter&) = delete;

    // False when the program does not run under umockdev-wrapper.
    bool active() const;

    // Adds a device on bus 1 with the given descriptors file; gives its sysfs path or "" on failure.
    std::string addDevice(int deviceNumber, const std::vector<std::uint8_t>& descriptors);

private:
    UMockdevTestbed* testbed_;
};

}  // namespace usb_testing
