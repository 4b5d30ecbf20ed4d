#include "usb_ops.h"

namespace {

class LibusbOps final : public UsbOps {
public:
    int init(libusb_context** context) override { return libusb_init(context); }
    void exit(libusb_context* context) override { libusb_exit(context); }

    ssize_t getDeviceList(libusb_context* context, libusb_device*** list) override
    {
        return libusb_get_device_list(context, list);
    }
    void freeDeviceList(libusb_device** list, int unrefDevices) override
    {
        libusb_free_device_list(list, unrefDevices);
    }

    int getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* descriptor) override
    {
        return libusb_get_device_descriptor(device, descriptor);
    }
    int getConfigDescriptor(libusb_device* device, std::uint8_t index, libusb_config_descriptor** config) override
    {
        return libusb_get_config_descriptor(device, index, config);
    }
    void freeConfigDescriptor(libusb_config_descriptor* config) override { libusb_free_config_descriptor(config); }

    int open(libusb_device* device, libusb_device_handle** handle) override { return libusb_open(device, handle); }
    void close(libusb_device_handle* handle) override { libusb_close(handle); }
    int getStringDescriptorAscii(libusb_device_handle* handle, std::uint8_t index, unsigned char* data,
                                 int length) override
    {
        return libusb_get_string_descriptor_ascii(handle, index, data, length);
    }

    int kernelDriverActive(libusb_device_handle* handle, int interfaceNumber) override
    {
        return libusb_kernel_driver_active(handle, interfaceNumber);
    }
    int detachKernelDriver(libusb_device_handle* handle, int interfaceNumber) override
    {
        return libusb_detach_kernel_driver(handle, interfaceNumber);
    }
    int claimInterface(libusb_device_handle* handle, int interfaceNumber) override
    {
        return libusb_claim_interface(handle, interfaceNumber);
    }
    int releaseInterface(libusb_device_handle* handle, int interfaceNumber) override
    {
        return libusb_release_interface(handle, interfaceNumber);
    }

    int controlTransfer(libusb_device_handle* handle, std::uint8_t requestType, std::uint8_t request,
                        std::uint16_t value, std::uint16_t index, unsigned char* data, std::uint16_t length,
                        unsigned int timeoutMs) override
    {
        return libusb_control_transfer(handle, requestType, request, value, index, data, length, timeoutMs);
    }
    int bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data, int length,
                     int* transferred, unsigned int timeoutMs) override
    {
        return libusb_bulk_transfer(handle, endpoint, data, length, transferred, timeoutMs);
    }
};

}  // namespace

UsbOps& libusbOps()
{
    static LibusbOps ops;
    return ops;
}
