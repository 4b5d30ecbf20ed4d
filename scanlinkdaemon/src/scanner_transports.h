#pragma once

// What the command server needs from the scanner transports: the USB
// transport with its scanner command protocol, and the network scanner
// protocol. The daemon plugs in the real ones; tests plug in scripted ones.
// Results are SANE status values unless said otherwise.

#include "scan_protocol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The standard USB device descriptor as usbfs gives it at the start of a device file.
struct usb_device_descriptor {
    uint8_t bLength;
    uint8_t bDescriptorType;
    uint16_t bcdUSB;
    uint8_t bDeviceClass;
    uint8_t bDeviceSubClass;
    uint8_t bDeviceProtocol;
    uint8_t bMaxPacketSize0;
    uint16_t idVendor;
    uint16_t idProduct;
    uint16_t bcdDevice;
    uint8_t iManufacturer;
    uint8_t iProduct;
    uint8_t iSerialNumber;
    uint8_t bNumConfigurations;
};
static_assert(sizeof(usb_device_descriptor) == 18, "usb_device_descriptor size");
static_assert(offsetof(usb_device_descriptor, idVendor) == 8, "idVendor offset");
static_assert(offsetof(usb_device_descriptor, iSerialNumber) == 16, "iSerialNumber offset");

// One discovered device: its open device file and its descriptor.
struct VURO_USB_DEV {
    int fd;
    usb_device_descriptor dev_des;
};

// Room for the devices of one listing (commands 0 and 18).
inline constexpr int kMaxListedDevices = 64;

class UsbScanner {
public:
    virtual ~UsbScanner() = default;

    // Lists the devices of vid (and pid when compareWithPID) into at most
    // `capacity` entries, opening each; the count, or -1 when no bus folder opens.
    virtual int findDevices(int vid, int pid, bool compareWithPID, VURO_USB_DEV* devices, int capacity) = 0;
    // Fills fd, ids and the three strings of one listed device into a zeroed record.
    virtual void describeDevice(const VURO_USB_DEV& device, USBFindDevRes& record) = 0;
    virtual int init(int fd) = 0;
    virtual void closeDevice(int fd) = 0;
    virtual int clearHalt(int fd, uint32_t endpoint) = 0;
    virtual int resetEndpoint(int fd, uint32_t endpoint) = 0;

    virtual int scanStart(int fd) = 0;
    // The result of writing the abort command, or a raw negative transfer value.
    virtual int scanAbort(int fd) = 0;
    virtual int scanLock(int fd, const SettingInfo& info) = 0;
    virtual int scanUnlock(int fd) = 0;
    // `status` (an ADFStatus) is meaningful when the result is 0.
    virtual int scanAdfStatus(int fd, int32_t& status) = 0;
    virtual int scanPowerOn(int fd) = 0;
    virtual int scanGetSizes(int fd) = 0;
    virtual int scanDeviceProperties(int fd, ResScanDeviceProperties& properties) = 0;
    // Reads one block of a running scan: its ScanStatus (left as it was when
    // the block carries none) and `dataSize` payload bytes at the start of `data`.
    virtual int scanRecord(int fd, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize) = 0;
};

class NetworkScanner {
public:
    virtual ~NetworkScanner() = default;

    // The attribute query of `type`; `answer` holds the scanner's text.
    virtual int sendOsl(const VuroSocket& scanner, int32_t type, std::string& answer) = 0;
    // Starts a scan; on success `dataConnection` is the open data connection
    // to the scanner, else -1. The command server closes the connection of an
    // earlier scan itself and passes `scanner.tcpFromScanner` as -1.
    virtual int scanStart(const VuroSocket& scanner, const SettingInfo& info, int& dataConnection) = 0;
    // Sends the abort; as for a start, `scanner.tcpFromScanner` is -1.
    virtual int scanAbort(const VuroSocket& scanner) = 0;
    virtual int adfStatus(const VuroSocket& scanner, int32_t& status) = 0;
    virtual int deviceProperties(const VuroSocket& scanner, ScannerCapabilities& capabilities) = 0;
    // Reads one block from the data connection `scanner.tcpFromScanner`, which
    // it closes on every path that ends the job.
    virtual int scanRecord(const VuroSocket& scanner, int32_t& status, std::vector<uint8_t>& data,
                           size_t& dataSize) = 0;
};
