#pragma once

// Emulated USB devices for the real libusb code and for code that speaks
// usbfs itself: a umockdev test bed with each device's sysfs entry and device
// node (which reads as the device's descriptors, as usbfs gives them), and a
// usbfs handler that answers the requests libusb makes (string descriptors,
// kernel driver query and detach, claim, release, alternate setting, control
// and bulk URBs) and the synchronous requests (USBDEVFS_CONTROL, USBDEVFS_BULK,
// USBDEVFS_RESETEP, USBDEVFS_CLEAR_HALT, USBDEVFS_RESET) from the same
// FakeDevice the libusb fake uses, or from a BulkProgram that plays the
// device's side of its bulk endpoints. A synchronous request that the device
// leaves unanswered completes at once with ETIMEDOUT, whatever its time-out.
// The program must run under umockdev-wrapper (testbed_add_gtest UMOCKDEV).
// The handler runs on umockdev's own thread; the accessors here are safe to
// call meanwhile.
//
// umockdev carries the requests of one opened file over one connection, so a
// forked process that uses an inherited device file while its parent does
// too needs the preload usbfs_per_process (usbfs_per_process.c); its
// reopened file shares the device's state, and synchronous requests take no
// interface for their file, as an opener and its reopened copy are one file.

#include "fake_device.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace usb_testing {

// The device's side of its bulk endpoints for the synchronous USBDEVFS_BULK
// request: a program that answers what it is sent, with its state per device
// (every opened file of the device reaches the same program). Called on
// umockdev's thread under the bed's lock.
class BulkProgram {
public:
    // Results for device events: kHold leaves the request unanswered (its
    // caller waits until it is killed); kHalt halts the endpoint (this and
    // later transfers on it fail with EPIPE until it is cleared); kUnplug
    // takes the device away (this and every later request fail with ENODEV).
    static constexpr int kHold = INT_MIN;
    static constexpr int kHalt = INT_MIN + 1;
    static constexpr int kUnplug = INT_MIN + 2;

    virtual ~BulkProgram() = default;
    // A bulk OUT transfer: the number of bytes the device took, -errno, or an event.
    virtual int bulkOut(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length) = 0;
    // A bulk IN request for up to `length` bytes: the number of bytes given
    // in `data`, -errno (-ETIMEDOUT for a time-out), or an event.
    virtual int bulkIn(std::uint8_t endpoint, std::uint8_t* data, std::size_t length) = 0;
    // USBDEVFS_RESET on the device.
    virtual void reset() {}
};

// A request on an endpoint or the device that carries no data.
struct EndpointRequest {
    enum Kind { ResetDevice, ResetEndpoint, ClearHalt };
    int device;
    Kind kind;
    std::uint8_t endpoint;  // 0 for ResetDevice
    int result;             // 0 or -errno
};

class UmockdevPrinter {
public:
    UmockdevPrinter();
    ~UmockdevPrinter();
    UmockdevPrinter(const UmockdevPrinter&) = delete;
    UmockdevPrinter& operator=(const UmockdevPrinter&) = delete;

    // False when the program does not run under umockdev-wrapper.
    bool active() const;

    // Plugs in a device on bus 1; gives its number (0, 1, ... in the order
    // added), -1 on failure. With a program, the program answers the
    // synchronous bulk requests instead of the script's bulk answers.
    int addDevice(const FakeDevice& script, std::shared_ptr<BulkProgram> program = nullptr);
    // The device's node, "/dev/bus/usb/001/002" for device 0.
    static std::string nodePath(int device);
    // Puts the preload usbfs_per_process ahead of umockdev's in LD_PRELOAD,
    // for the programs this process starts from now on.
    static void preloadPerProcessFiles();

    // From now on every request on the device fails with ENODEV, as for a
    // device that was unplugged; its node stays.
    void unplug(int device);
    // Bulk transfers on the endpoint fail with EPIPE until it is cleared
    // (USBDEVFS_CLEAR_HALT or a device reset).
    void haltEndpoint(int device, std::uint8_t endpoint);
    // Whether bulk transfers are recorded (on by default); long runs switch it off.
    void recordTransfers(bool on);

    // Script changes while the test runs.
    void queueBulkIn(int device, std::uint8_t endpoint, const FakeAnswer& answer);
    void setControlAnswer(int device, std::uint8_t requestType, std::uint8_t request, const FakeAnswer& answer);

    // What the devices received; usbfs does not see time-outs, so those are 0.
    // String descriptor reads are answered but not recorded.
    std::vector<ControlRecord> controlRequests() const;
    std::vector<BulkRecord> bulkTransfers() const;
    std::vector<std::uint8_t> bulkOutData(int device, std::uint8_t endpoint) const;
    std::vector<EndpointRequest> endpointRequests() const;
    std::set<int> claimedInterfaces(int device) const;
    bool kernelDriverOn(int device, int interfaceNumber) const;

    struct Device;

private:
    friend class UsbfsHandler;

    UMockdevTestbed* testbed_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Device>> devices_;
    std::vector<ControlRecord> controls_;
    std::vector<BulkRecord> bulks_;
    std::vector<EndpointRequest> endpointRequests_;
    bool recording_ = true;
};

}  // namespace usb_testing
