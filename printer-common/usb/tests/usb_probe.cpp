// A separate program that reaches the first USB device as a printer program
// would: prints its serial number and the size of its answer to the status
// request, and closes the device without releasing the interface.

#include "usb_ops.h"

#include <cstdio>

int main()
{
    UsbOps& usb = libusbOps();
    libusb_context* context = nullptr;
    if (usb.init(&context) != 0)
        return 1;
    libusb_device** list = nullptr;
    libusb_device_handle* handle = nullptr;
    if (usb.getDeviceList(context, &list) < 1 || usb.open(list[0], &handle) != 0)
        return 2;
    unsigned char serial[64] = {};
    if (usb.getStringDescriptorAscii(handle, 3, serial, sizeof serial) < 0)
        return 3;
    if (usb.kernelDriverActive(handle, 0) == 1 && usb.detachKernelDriver(handle, 0) != 0)
        return 4;
    if (usb.claimInterface(handle, 0) != 0)
        return 5;
    unsigned char status[1024];
    const int received = usb.controlTransfer(handle, 0xA1, 0x33, 0, 0, status, sizeof status, 2000);
    std::printf("%s %d\n", reinterpret_cast<const char*>(serial), received);
    usb.close(handle);
    usb.freeDeviceList(list, 1);
    usb.exit(context);
    return 0;
}
