#pragma once

// The description of a scripted USB device and the records of what was sent to
// it, shared by the libusb fake (FakeUsb) and the umockdev test bed
// (UmockdevPrinter), so one description serves both.

#include <libusb.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace usb_testing {

struct FakeEndpoint {
    std::uint8_t address = 0;                                  // bit 7 set: IN
    std::uint8_t attributes = LIBUSB_TRANSFER_TYPE_BULK;       // low two bits: transfer type
    std::uint16_t maxPacketSize = 64;
};

// One alternate setting; its number is its position in FakeInterface.
struct FakeAltSetting {
    std::uint8_t interfaceClass = LIBUSB_CLASS_PRINTER;
    std::vector<FakeEndpoint> endpoints;
};

// One interface; its number is its position in FakeConfig.
struct FakeInterface {
    std::vector<FakeAltSetting> altSettings;
};

struct FakeConfig {
    std::vector<FakeInterface> interfaces;
};

// A scripted answer: a negative result is a libusb error code returned as it
// is (after `data` for a bulk IN); otherwise the data are the device's answer.
struct FakeAnswer {
    int result = 0;
    std::vector<std::uint8_t> data;
};

struct FakeDevice {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    // String descriptors 1, 2 and 3; an empty text has no descriptor (the read stalls).
    std::string manufacturer;
    std::string product;
    std::string serialNumber;
    std::vector<FakeConfig> configs;
    std::set<int> kernelDriverOn;  // interfaces a kernel driver holds
    // Control answers by (bmRequestType, bRequest); a request without one stalls.
    std::map<std::pair<std::uint8_t, std::uint8_t>, FakeAnswer> controlAnswers;
    // Bulk IN answers per endpoint, used up in order; none left: time-out.
    std::map<std::uint8_t, std::deque<FakeAnswer>> bulkInAnswers;
    int bulkOutAccepts = -1;  // bytes taken per bulk OUT transfer; -1: all
};

// A printer as the model table knows it: interface 0 of class 7 with bulk OUT
// 0x01 and bulk IN 0x82, a kernel printer driver bound to it.
FakeDevice printerDevice(std::uint16_t vendorId, std::uint16_t productId, const std::string& serialNumber);

// The device descriptor of a device (string indexes 1, 2, 3 for the texts it has).
libusb_device_descriptor deviceDescriptor(const FakeDevice& script);

// A string descriptor holds at most this many characters of its text.
inline constexpr std::size_t kMaxStringCharacters = 126;

// The text of string descriptor `index`; null where the device has none.
const std::string* stringText(const FakeDevice& script, int index);

// Whether usbfs lets a bulk transfer reach `endpoint`: it is in the current
// setting (by interface; absent: 0) of an interface the opener may use, and is
// not isochronous (one to an interrupt endpoint runs as an interrupt transfer).
bool bulkEndpointReachable(const FakeDevice& script, const std::function<bool(int)>& mayUseInterface,
                           std::uint8_t endpoint);

// The bytes a device gives for its descriptors: the device descriptor, then
// each configuration with its interfaces, settings and endpoints, as Linux
// shows them in sysfs.
std::vector<std::uint8_t> descriptorBytes(const FakeDevice& script);

struct ControlRecord {
    int device;
    std::uint8_t requestType;
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    std::uint16_t length;
    unsigned int timeoutMs;
    std::vector<std::uint8_t> data;  // the bytes sent, for host-to-device requests
};

struct BulkRecord {
    int device;
    std::uint8_t endpoint;
    int length;
    unsigned int timeoutMs;
    std::vector<std::uint8_t> data;  // OUT: the bytes the device took; IN: the bytes delivered
    int result;
};

}  // namespace usb_testing
