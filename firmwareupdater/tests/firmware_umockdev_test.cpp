// A firmware transfer on the real libusb, with the printer emulated by the
// umockdev bed: the device receives the image byte for byte.

#include "fw_update_task.h"
#include "umockdev_printer.h"
#include "usb_ops.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <vector>

namespace {

TEST(FirmwareUnderUmockdev, TheImageReachesThePrinterThroughLibusb)
{
    usb_testing::UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    ASSERT_EQ(bed.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123")), 0);

    QByteArray image(300 * 1024 + 7, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>((i * 31) ^ (i >> 9));
    int sent = 0;
    EXPECT_EQ(FWUpdateTask(libusbOps(), 0x2F7A, 0x5A03, QStringLiteral("Taliro/TX%20560MDW?serial=ABC123"),
                           image.constData(), image.size(), sent),
              0);
    EXPECT_EQ(sent, image.size());
    EXPECT_EQ(bed.bulkOutData(0, 0x01), std::vector<std::uint8_t>(image.begin(), image.end()));
    EXPECT_TRUE(bed.claimedInterfaces(0).empty());
}

}  // namespace
