#pragma once

// Emulated USB devices for the real libusb code: a umockdev test bed with each
// device's sysfs entry and device node, and a usbfs handler that answers the
// requests libusb makes (string descriptors, kernel driver query and detach,
// claim, release, alternate setting, control and bulk transfers) from the
// same FakeDevice the libusb fake uses. The program must run under
// umockdev-wrapper (testbed_add_gtest UMOCKDEV). The handler runs on
// umockdev's own thread; the accessors here are safe to call meanwhile.

#include "fake_device.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace usb_testing {

class UmockdevPrinter {
public:
    UmockdevPrinter();
    ~UmockdevPrinter();
    UmockdevPrinter(const UmockdevPrinter&) = delete;
    UmockdevPrinter& operator=(const UmockdevPrinter&) = delete;

    // False when the program does not run under umockdev-wrapper.
    bool active() const;

    // Plugs in a device on bus 1; gives its number (0, 1, ... in the order
    // added), -1 on failure.
    int addDevice(const FakeDevice& script);

    // Script changes while the test runs.
    void queueBulkIn(int device, std::uint8_t endpoint, const FakeAnswer& answer);
    void setControlAnswer(int device, std::uint8_t requestType, std::uint8_t request, const FakeAnswer& answer);

    // What the devices received; usbfs does not see time-outs, so those are 0.
    // String descriptor reads are answered but not recorded.
    std::vector<ControlRecord> controlRequests() const;
    std::vector<BulkRecord> bulkTransfers() const;
    std::vector<std::uint8_t> bulkOutData(int device, std::uint8_t endpoint) const;
    std::set<int> claimedInterfaces(int device) const;
    bool kernelDriverOn(int device, int interfaceNumber) const;

    struct Device;

private:
    UMockdevTestbed* testbed_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Device>> devices_;
    std::vector<ControlRecord> controls_;
    std::vector<BulkRecord> bulks_;
};

}  // namespace usb_testing
