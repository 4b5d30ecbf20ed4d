#pragma once

// The libusb calls of the printer side, behind one interface so that tests can
// put a scripted device in place of the library. Each call has the meaning,
// arguments and results of the libusb-1.0 function of the same name.

#include <libusb.h>

#include <cstdint>
#include <sys/types.h>

class UsbOps {
public:
    virtual ~UsbOps() = default;

    virtual int init(libusb_context** context) = 0;
    virtual void exit(libusb_context* context) = 0;

    virtual ssize_t getDeviceList(libusb_context* context, libusb_device*** list) = 0;
    virtual void freeDeviceList(libusb_device** list, int unrefDevices) = 0;

    virtual int getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* descriptor) = 0;
    virtual int getConfigDescriptor(libusb_device* device, std::uint8_t index, libusb_config_descriptor** config) = 0;
    virtual void freeConfigDescriptor(libusb_config_descriptor* config) = 0;

    virtual int open(libusb_device* device, libusb_device_handle** handle) = 0;
    virtual void close(libusb_device_handle* handle) = 0;
    virtual int getStringDescriptorAscii(libusb_device_handle* handle, std::uint8_t index, unsigned char* data,
                                         int length) = 0;

    virtual int kernelDriverActive(libusb_device_handle* handle, int interfaceNumber) = 0;
    virtual int detachKernelDriver(libusb_device_handle* handle, int interfaceNumber) = 0;
    virtual int claimInterface(libusb_device_handle* handle, int interfaceNumber) = 0;
    virtual int releaseInterface(libusb_device_handle* handle, int interfaceNumber) = 0;

    virtual int controlTransfer(libusb_device_handle* handle, std::uint8_t requestType, std::uint8_t request,
                                std::uint16_t value, std::uint16_t index, unsigned char* data, std::uint16_t length,
                                unsigned int timeoutMs) = 0;
    virtual int bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data, int length,
                             int* transferred, unsigned int timeoutMs) = 0;
};

// The implementation over libusb-1.0 itself.
UsbOps& libusbOps();
