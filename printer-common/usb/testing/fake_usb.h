#pragma once

// A scripted stand-in for libusb behind UsbOps: devices with their descriptors,
// interfaces and endpoints, control and bulk answers, a failure at any chosen
// call, a log of every call, and a record of what was taken and not given back.
// It behaves as libusb does on Linux where the printer side relies on it: a
// kernel driver blocks a claim, transfers go only to endpoints of the current
// setting of an interface the handle may use, a missing answer stalls or
// times out.

#include "fake_device.h"
#include "usb_ops.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace usb_testing {

enum class UsbCall {
    Init,
    Exit,
    GetDeviceList,
    FreeDeviceList,
    GetDeviceDescriptor,
    GetConfigDescriptor,
    FreeConfigDescriptor,
    Open,
    Close,
    GetStringDescriptorAscii,
    KernelDriverActive,
    DetachKernelDriver,
    ClaimInterface,
    ReleaseInterface,
    ControlTransfer,
    BulkTransfer,
};

// The libusb name of the call without its prefix: "claim_interface".
const char* usbCallName(UsbCall call);

struct UsbCallRecord {
    UsbCall call;
    int device;  // the device's number, -1 where no device is involved
    int result;  // 0 for calls without a result
};


class FakeUsb final : public UsbOps {
public:
    FakeUsb();
    ~FakeUsb() override;
    FakeUsb(const FakeUsb&) = delete;
    FakeUsb& operator=(const FakeUsb&) = delete;

    // Adds a device at the end of the device list; gives its number (0, 1, ...).
    int addDevice(const FakeDevice& script);
    // The script of a device, to change between calls.
    FakeDevice& device(int number);

    // The occurrence-th call (counting from 1) of this kind fails with `error`
    // and does nothing else, but for a bulk transfer ending in a time-out,
    // stall or overflow, which reports 0 bytes transferred as libusb does.
    // Calls without a result cannot fail.
    void failCall(UsbCall call, int error, int occurrence = 1);

    const std::vector<UsbCallRecord>& calls() const { return calls_; }
    std::vector<std::string> callNames() const;
    int callCount(UsbCall call) const;
    const std::vector<ControlRecord>& controlRequests() const { return controls_; }
    const std::vector<BulkRecord>& bulkTransfers() const { return bulks_; }
    // Every byte the device took on one OUT endpoint, in order.
    std::vector<std::uint8_t> bulkOutData(int device, std::uint8_t endpoint) const;

    // What is taken and not given back: contexts, device lists, configuration
    // descriptors, open handles, claimed interfaces. Empty when all is released.
    std::vector<std::string> leaks() const;
    // Calls on things never taken or already given back, and transfers
    // without a time-out that the device never ends (libusb would wait for ever).
    const std::vector<std::string>& misuses() const { return misuses_; }

    // UsbOps
    int init(libusb_context** context) override;
    void exit(libusb_context* context) override;
    ssize_t getDeviceList(libusb_context* context, libusb_device*** list) override;
    void freeDeviceList(libusb_device** list, int unrefDevices) override;
    int getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* descriptor) override;
    int getConfigDescriptor(libusb_device* device, std::uint8_t index, libusb_config_descriptor** config) override;
    void freeConfigDescriptor(libusb_config_descriptor* config) override;
    int open(libusb_device* device, libusb_device_handle** handle) override;
    void close(libusb_device_handle* handle) override;
    int getStringDescriptorAscii(libusb_device_handle* handle, std::uint8_t index, unsigned char* data,
                                 int length) override;
    int kernelDriverActive(libusb_device_handle* handle, int interfaceNumber) override;
    int detachKernelDriver(libusb_device_handle* handle, int interfaceNumber) override;
    int claimInterface(libusb_device_handle* handle, int interfaceNumber) override;
    int releaseInterface(libusb_device_handle* handle, int interfaceNumber) override;
    int controlTransfer(libusb_device_handle* handle, std::uint8_t requestType, std::uint8_t request,
                        std::uint16_t value, std::uint16_t index, unsigned char* data, std::uint16_t length,
                        unsigned int timeoutMs) override;
    int bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data, int length,
                     int* transferred, unsigned int timeoutMs) override;

private:
    struct Device;
    struct Handle;
    struct Context;
    struct DeviceList;
    struct OwnedConfig;

    bool injectedFailure(UsbCall call, int* error);
    int record(UsbCall call, int device, int result);
    void misuse(const std::string& what);
    int timedOut(UsbCall call, unsigned int timeoutMs);
    Device* findDevice(libusb_device* device);
    Handle* findHandle(libusb_device_handle* handle);
    bool contextUsable(libusb_context* context);
    const FakeInterface* interfaceOf(const Device& device, int interfaceNumber) const;
    bool claimedByOther(const Handle& handle, int interfaceNumber) const;
    bool mayUseInterface(const Handle& handle, int interfaceNumber) const;

    std::vector<std::unique_ptr<Device>> devices_;
    std::map<const void*, std::unique_ptr<Context>> contexts_;
    int defaultContextUsers_ = 0;
    std::map<const void*, std::unique_ptr<DeviceList>> lists_;
    std::map<const void*, std::unique_ptr<OwnedConfig>> configs_;
    std::map<const void*, std::unique_ptr<Handle>> handles_;
    std::map<UsbCall, int> callCounts_;
    std::map<std::pair<UsbCall, int>, int> failures_;
    std::vector<UsbCallRecord> calls_;
    std::vector<ControlRecord> controls_;
    std::vector<BulkRecord> bulks_;
    std::vector<std::string> misuses_;
    int devicesLeftReferenced_ = 0;
};

}  // namespace usb_testing
