// The cleaning page on the real libusb, with the printer emulated by the
// umockdev bed: the frame reaches the device, and the exchange gives back
// the interface it claimed.

#include "configurator_fixture.h"
#include "net_reply_builder.h"
#include "umockdev_printer.h"
#include "usb_ops.h"
#include "util_libusb.h"

#include <QTest>

namespace {

using namespace configurator_test;
using net_reply::Bytes;
using net_reply::Hex;

TEST(UmockdevExchange, CleaningReachesThePrinterThroughLibusb)
{
    usb_testing::UmockdevPrinter bed;
    ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
    usb_testing::FakeDevice printer = usb_testing::printerDevice(kVendor, kMdw, "ABC123");
    printer.bulkInAnswers[0x82] = {usb_testing::FakeAnswer{0, Hex("A5 00 04 50 E0 2E 02")}};
    ASSERT_EQ(bed.addDevice(usb_testing::printerDevice(kVendor, kMdw, "ABD")), 0);
    ASSERT_EQ(bed.addDevice(printer), 1);

    testsupport::TempFolder root;
    assistant_test::WritePrinterList(QString::fromStdString(root.path()),
                                     {UsbPrinter(QStringLiteral("Q1"), QStringLiteral("Taliro/TX%20560MDW?serial=ABC"))});
    Widget window(ConfiguratorContext{QString::fromStdString(root.path()), &libusbOps()});
    window.show();
    window.SlotChangeForm(2);
    MessageBoxRecorder boxes;
    QTest::mouseClick(window.Stack()->currentWidget()->findChild<QPushButton*>("buttonClean"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("清洁任务已发送，请查看打印机，在清洁完成前，请勿执行其他动作。"));
    EXPECT_EQ(bed.bulkOutData(1, 0x01), Hex("A5 00 07 50 E0 2E 02 01 01 01"));
    EXPECT_TRUE(bed.bulkOutData(0, 0x01).empty());
    EXPECT_TRUE(bed.claimedInterfaces(1).empty());
    EXPECT_FALSE(bed.kernelDriverOn(1, 0)) << "the claim needed the kernel driver detached";

    // A printer that does not answer: the frame went out, then -7.
    const Bytes frame = Hex("A5 00 08 50 E0 2E 02 01 01 12 02");
    unsigned char reply[1024];
    int received = -1;
    EXPECT_EQ(USBSendRecvData(libusbOps(), kVendor, kMdw, QStringLiteral("Taliro/TX%20560MDW?serial=ABC123"),
                              frame.data(), static_cast<int>(frame.size()), reply, sizeof reply, received),
              -7);
    EXPECT_EQ(bed.bulkOutData(1, 0x01), Hex("A5 00 07 50 E0 2E 02 01 01 01 A5 00 08 50 E0 2E 02 01 01 12 02"));
    EXPECT_TRUE(bed.claimedInterfaces(1).empty());
}

}  // namespace
