// The firmware transfer on the scripted bus: one bulk OUT of the whole image
// without a time-out, nothing read back, each failure with its code, and the
// messages of the codes.

#include "fake_usb.h"
#include "fw_update_task.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <functional>
#include <vector>

namespace {

using usb_testing::FakeUsb;
using usb_testing::UsbCall;
using Bytes = std::vector<std::uint8_t>;

const QString kPort = QStringLiteral("Taliro/TX%20560MDW?serial=ABC123");

struct Transfer {
    int result;
    int sent;
};

Transfer Send(FakeUsb& usb, const QByteArray& image)
{
    int sent = -1;
    const int result = FWUpdateTask(usb, 0x2F7A, 0x5A03, kPort, image.constData(), image.size(), sent);
    return {result, sent};
}

TEST(FirmwareTransfer, SendsTheWholeImageInOneTransferThatWaitsAsLongAsItTakes)
{
    FakeUsb usb;
    usb.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123"));
    const QByteArray image(5000, '\x5A');
    const Transfer transfer = Send(usb, image);
    EXPECT_EQ(transfer.result, 0);
    EXPECT_EQ(transfer.sent, 5000);
    ASSERT_EQ(usb.bulkTransfers().size(), 1u) << "nothing is read back";
    EXPECT_EQ(usb.bulkTransfers()[0].endpoint, 0x01);
    EXPECT_EQ(usb.bulkTransfers()[0].length, 5000);
    EXPECT_EQ(usb.bulkTransfers()[0].timeoutMs, 0u);
    EXPECT_EQ(usb.bulkOutData(0, 0x01), Bytes(image.begin(), image.end()));
    const std::vector<std::string> calls = {
        "init", "get_device_list", "get_device_descriptor", "open", "get_string_descriptor_ascii", "close",
        "get_config_descriptor", "free_config_descriptor", "open", "claim_interface", "detach_kernel_driver",
        "claim_interface", "bulk_transfer", "free_device_list", "release_interface", "close", "exit"};
    EXPECT_EQ(usb.callNames(), calls);
    EXPECT_TRUE(usb.leaks().empty());
    EXPECT_TRUE(usb.misuses().empty());
}

TEST(FirmwareTransfer, EachFailureHasItsCodeAndLeavesNothingTaken)
{
    struct Case {
        const char* what;
        std::function<void(FakeUsb&)> script;
        int result;
        int sent;
    };
    const Case cases[] = {
        {"libusb does not start", [](FakeUsb& usb) { usb.failCall(UsbCall::Init, LIBUSB_ERROR_OTHER); }, -1, 0},
        {"no device list", [](FakeUsb& usb) { usb.failCall(UsbCall::GetDeviceList, LIBUSB_ERROR_NO_MEM); }, -2, 0},
        {"no printer", [](FakeUsb& usb) { usb.device(0).serialNumber = "XYZ"; }, -2, 0},
        {"OUT endpoint at 0x02",
         [](FakeUsb& usb) { usb.device(0).configs[0].interfaces[0].altSettings[0].endpoints[0].address = 0x02; }, -3,
         0},
        {"not opened", [](FakeUsb& usb) { usb.failCall(UsbCall::Open, LIBUSB_ERROR_ACCESS, 2); }, -4, 0},
        {"not claimed", [](FakeUsb& usb) { usb.failCall(UsbCall::DetachKernelDriver, LIBUSB_ERROR_ACCESS); }, -5, 0},
        {"transfer fails", [](FakeUsb& usb) { usb.failCall(UsbCall::BulkTransfer, LIBUSB_ERROR_IO); }, -7, 0},
        {"transfer short", [](FakeUsb& usb) { usb.device(0).bulkOutAccepts = 1000; }, -7, 1000},
    };
    for (const Case& c : cases) {
        FakeUsb usb;
        usb.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123"));
        c.script(usb);
        const Transfer transfer = Send(usb, QByteArray(4096, '\x11'));
        EXPECT_EQ(transfer.result, c.result) << c.what;
        EXPECT_EQ(transfer.sent, c.sent) << c.what;
        EXPECT_TRUE(usb.leaks().empty()) << c.what << ::testing::PrintToString(usb.leaks());
        EXPECT_TRUE(usb.misuses().empty()) << c.what << ::testing::PrintToString(usb.misuses());
    }
}

TEST(FirmwareTransfer, AnEmptyImageGoesOutAsOneZeroLengthTransfer)
{
    FakeUsb usb;
    usb.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123"));
    EXPECT_EQ(Send(usb, QByteArray()).result, 0);
    ASSERT_EQ(usb.bulkTransfers().size(), 1u);
    EXPECT_EQ(usb.bulkTransfers()[0].length, 0);
    EXPECT_EQ(usb.bulkTransfers()[0].result, 0);
}

TEST(FirmwareResultMessage, GivesTheMessageOfEachCode)
{
    const std::pair<int, const char*> cases[] = {
        {0, "操作成功，请等待打印机更新完成，更新过程中请勿断开电源。"},
        {-7, "与打印机通信失败，请检查打印机状态并重新尝试更新！"},
        {-6, "读取升级文件失败，请检查文件状态！"},
        {-1, "设备接口初始化失败！"},
        {-2, "连接打印机失败，请检查连接状态！"},
        {-3, "连接打印机失败，请检查连接状态！"},
        {-4, "连接打印机失败，请检查连接状态！"},
        {-5, "连接打印机失败，请检查连接状态！"},
        {-8, "未知错误！"},
        {1, "未知错误！"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirmwareResultMessage(c.first), QString::fromUtf8(c.second)) << c.first;
}

}  // namespace
