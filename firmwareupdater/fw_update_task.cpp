#include "fw_update_task.h"

#include "printer_log.h"
#include "util_libusb.h"

namespace {

// libusb's value for a transfer that waits until it ends.
constexpr unsigned int kNoTimeout = 0;
// The message table has this code, though no transfer gives it.
constexpr int kFileUnreadable = -6;

}  // namespace

int FWUpdateTask(UsbOps& usb, int vid, int pid, const QString& port, const char* image, int length, int& sent)
{
    sent = 0;
    PrinterUsbSession session(usb);
    const int opened = session.Open(vid, pid, port);
    if (opened != USB_OK)
        return opened;
    const int rv = session.BulkOut(reinterpret_cast<const unsigned char*>(image), length, kNoTimeout, sent);
    if (rv < 0 || sent < length) {
        PRINTER_LOG("*** bulk_transfer failed! \n");
        if (rv < 0)
            PRINTER_LOG("*** error=%s \n", libusb_error_name(rv));
        return kFirmwareSendFailed;
    }
    PRINTER_LOG("*** length = %d \n", length);
    return 0;
}

QString FirmwareResultMessage(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("操作成功，请等待打印机更新完成，更新过程中请勿断开电源。");
    case kFirmwareSendFailed:
        return QStringLiteral("与打印机通信失败，请检查打印机状态并重新尝试更新！");
    case kFileUnreadable:
        return QStringLiteral("读取升级文件失败，请检查文件状态！");
    default:
        return UsbResultMessage(code);
    }
}
