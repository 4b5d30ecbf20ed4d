#pragma once

// One whole libusb session for one class control request to a USB printer:
// initialise, find the device of the port's model and serial number, detach
// the kernel driver, claim interface 0, transfer, release, close, exit. No
// handle outlives the call, so a printer unplugged between polls costs nothing.

#include <QString>

#include <cstdint>

class UsbOps;

struct UsbControlRequest {
    std::uint8_t requestType;
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    std::uint16_t length;
};

// The printer's status request and the job cancel request.
inline constexpr UsbControlRequest kUsbStatusRequest{0xA1, 0x33, 0, 0, 1024};
inline constexpr UsbControlRequest kUsbCancelRequest{0xA1, 0x34, 0, 0, 1017};
inline constexpr unsigned int kUsbTimeoutMs = 2000;

// Which log lines a session writes: the status poll's or the cancel's.
enum class UsbSessionLog { Status, Cancel };

// Results: 0 with *transferred set; -1 the port names no model; -2 libusb
// would not start; -3 no device list; -4 a descriptor read failed, or the
// search ended on a failed call; -5 no device of the model with the port's
// serial number; -6 interface 0 could not be claimed; a negative libusb code
// from the transfer itself.
int RunUsbControlSession(UsbOps& usb, const QString& port, const UsbControlRequest& request, unsigned char* data,
                         unsigned int* transferred, UsbSessionLog log);

// Whether a device's serial number (as its string descriptor gives it) is
// the one the port's "serial" query item names: the device serial cut to the
// item's length equals the item, ignoring case.
bool SerialMatches(const QString& port, const char* deviceSerial);
