#include "usb_control_session.h"

#include "model_table.h"
#include "printer_log.h"
#include "usb_ops.h"

#include <QUrlQuery>

namespace {

constexpr int kNoModel = -1;
constexpr int kInitFailed = -2;
constexpr int kNoDeviceList = -3;
constexpr int kSearchFailed = -4;
constexpr int kNoDevice = -5;
constexpr int kClaimFailed = -6;
constexpr int kPrinterInterface = 0;
constexpr int kSerialBufferSize = 64;

void LogFailure(UsbSessionLog log, int result)
{
    if (log == UsbSessionLog::Status) {
        PRINTER_LOG("*** error=%s \n", libusb_error_name(result));
        return;
    }
    switch (result) {
    case kInitFailed: PRINTER_LOG("Init Error"); break;
    case kNoDeviceList: PRINTER_LOG("Get Device Error"); break;
    case kSearchFailed: PRINTER_LOG("*** get_device_descriptor failed!"); break;
    case kNoDevice: PRINTER_LOG("Cannot open device"); break;
    case kClaimFailed: PRINTER_LOG("Cannot Claim Interface"); break;
    default: break;
    }
}

QString PortSerial(const QString& port)
{
    const int query = port.indexOf(QLatin1Char('?'));
    if (query < 0)
        return QString();
    return QUrlQuery(port.mid(query + 1)).queryItemValue(QStringLiteral("serial"), QUrl::FullyDecoded);
}

// Opens the first device of the model whose serial number the port names.
// 0 with *handle set, else kSearchFailed or kNoDevice.
int FindPrinter(UsbOps& usb, libusb_device** list, ssize_t count, int vid, int pid, const QString& port,
                libusb_device_handle** handle, UsbSessionLog log)
{
    bool lastCallFailed = false;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (usb.getDeviceDescriptor(list[i], &descriptor) != 0) {
            if (log == UsbSessionLog::Cancel)
                PRINTER_LOG("*** libusb_get_device_descriptor failed! i:%d", static_cast<int>(i));
            return kSearchFailed;
        }
        lastCallFailed = false;
        if (descriptor.idVendor != vid || descriptor.idProduct != pid)
            continue;
        libusb_device_handle* candidate = nullptr;
        if (usb.open(list[i], &candidate) != 0) {
            lastCallFailed = true;
            continue;
        }
        unsigned char serial[kSerialBufferSize] = {};
        if (usb.getStringDescriptorAscii(candidate, descriptor.iSerialNumber, serial, sizeof serial - 1) < 0) {
            lastCallFailed = true;
            usb.close(candidate);
            continue;
        }
        if (SerialMatches(port, reinterpret_cast<const char*>(serial))) {
            *handle = candidate;
            return 0;
        }
        usb.close(candidate);
    }
    return lastCallFailed ? kSearchFailed : kNoDevice;
}

}  // namespace

bool SerialMatches(const QString& port, const char* deviceSerial)
{
    const QString wanted = PortSerial(port);
    return QString::fromLatin1(deviceSerial).left(wanted.size()).compare(wanted, Qt::CaseInsensitive) == 0;
}

int RunUsbControlSession(UsbOps& usb, const QString& port, const UsbControlRequest& request, unsigned char* data,
                         unsigned int* transferred, UsbSessionLog log)
{
    int vid = 0;
    int pid = 0;
    if (!GetPrinterVidPid(port, vid, pid))
        return kNoModel;

    libusb_context* context = nullptr;
    if (usb.init(&context) != 0) {
        LogFailure(log, kInitFailed);
        return kInitFailed;
    }
    libusb_device** list = nullptr;
    const ssize_t count = usb.getDeviceList(context, &list);
    if (count < 0) {
        LogFailure(log, kNoDeviceList);
        usb.exit(context);
        return kNoDeviceList;
    }
    libusb_device_handle* handle = nullptr;
    int result = FindPrinter(usb, list, count, vid, pid, port, &handle, log);
    usb.freeDeviceList(list, 1);
    if (result != 0) {
        LogFailure(log, result);
        usb.exit(context);
        return result;
    }

    if (usb.kernelDriverActive(handle, kPrinterInterface) == 1) {
        if (log == UsbSessionLog::Cancel)
            PRINTER_LOG("Kernel Driver Active");
        if (usb.detachKernelDriver(handle, kPrinterInterface) == 0 && log == UsbSessionLog::Cancel)
            PRINTER_LOG("Kernel Driver Detached!");
    }
    const bool claimed = usb.claimInterface(handle, kPrinterInterface) == 0;
    if (!claimed) {
        result = kClaimFailed;
    } else {
        const int done = usb.controlTransfer(handle, request.requestType, request.request, request.value,
                                             request.index, data, request.length, kUsbTimeoutMs);
        if (done < 0) {
            result = done;
        } else {
            *transferred = static_cast<unsigned int>(done);
        }
    }
    if (result != 0)
        LogFailure(log, result);
    if (claimed)
        usb.releaseInterface(handle, kPrinterInterface);
    usb.close(handle);
    usb.exit(context);
    return result;
}
