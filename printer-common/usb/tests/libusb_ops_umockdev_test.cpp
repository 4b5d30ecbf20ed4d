// The libusb implementation of the seam against printers emulated by umockdev:
// each exchange initialises and leaves the library again, as printer code does.

#include "umockdev_printer.h"
#include "usb_ops.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using usb_testing::UmockdevPrinter;

TEST(LibusbOpsUnderUmockdev, EnumeratesTheEmulatedPrinters)
{
    UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    ASSERT_FALSE(bed.addDevice(2, usb_testing::printerDescriptors(0x2F7A, 0x5A03)).empty());
    ASSERT_FALSE(bed.addDevice(3, usb_testing::printerDescriptors(0x2F7A, 0x5A01)).empty());

    UsbOps& usb = libusbOps();
    for (int exchange = 0; exchange < 2; ++exchange) {
        libusb_context* context = nullptr;
        ASSERT_EQ(usb.init(&context), 0);
        libusb_device** list = nullptr;
        const ssize_t count = usb.getDeviceList(context, &list);
        ASSERT_EQ(count, 2);

        std::set<std::pair<int, int>> ids;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor descriptor{};
            ASSERT_EQ(usb.getDeviceDescriptor(list[i], &descriptor), 0);
            ids.insert({descriptor.idVendor, descriptor.idProduct});
            EXPECT_EQ(descriptor.iSerialNumber, 3);
            ASSERT_EQ(descriptor.bNumConfigurations, 1);

            libusb_config_descriptor* config = nullptr;
            ASSERT_EQ(usb.getConfigDescriptor(list[i], 0, &config), 0);
            ASSERT_EQ(config->bNumInterfaces, 1);
            const libusb_interface_descriptor& setting = config->interface[0].altsetting[0];
            EXPECT_EQ(setting.bInterfaceClass, LIBUSB_CLASS_PRINTER);
            ASSERT_EQ(setting.bNumEndpoints, 2);
            EXPECT_EQ(setting.endpoint[0].bEndpointAddress, 0x01);
            EXPECT_EQ(setting.endpoint[1].bEndpointAddress, 0x82);
            EXPECT_EQ(setting.endpoint[1].bmAttributes & 0x03, LIBUSB_TRANSFER_TYPE_BULK);
            usb.freeConfigDescriptor(config);

            libusb_device_handle* handle = nullptr;
            ASSERT_EQ(usb.open(list[i], &handle), 0);
            usb.close(handle);
        }
        const std::set<std::pair<int, int>> expected = {{0x2F7A, 0x5A03}, {0x2F7A, 0x5A01}};
        EXPECT_EQ(ids, expected);
        usb.freeDeviceList(list, 1);
        usb.exit(context);
    }
}

TEST(LibusbOpsUnderUmockdev, NoDeviceGivesAnEmptyList)
{
    UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    UsbOps& usb = libusbOps();
    libusb_context* context = nullptr;
    ASSERT_EQ(usb.init(&context), 0);
    libusb_device** list = nullptr;
    EXPECT_EQ(usb.getDeviceList(context, &list), 0);
    usb.freeDeviceList(list, 1);
    usb.exit(context);
}

}  // namespace
