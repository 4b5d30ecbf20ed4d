#include "util_libusb.h"

#include "printer_log.h"

#include <QUrl>
#include <QUrlQuery>

namespace {

constexpr int kSerialBufferSize = 64;

// The port's "serial" query item; empty when it has none.
QString PortSerial(const QString& port)
{
    return QUrlQuery(QUrl(port)).queryItemValue(QStringLiteral("serial"), QUrl::FullyDecoded);
}

// Whether the device's serial number begins with the wanted one.
bool SerialMatches(const QString& wanted, const unsigned char* deviceSerial)
{
    const QString serial = QString::fromLatin1(reinterpret_cast<const char*>(deviceSerial));
    return serial.left(wanted.size()) == wanted;
}

}  // namespace

QString UsbResultMessage(int code)
{
    switch (code) {
    case USB_INIT_FAILED:
        return QStringLiteral("设备接口初始化失败！");
    case USB_NO_PRINTER:
    case USB_NO_INTERFACE:
    case USB_OPEN_FAILED:
    case USB_CLAIM_FAILED:
        return QStringLiteral("连接打印机失败，请检查连接状态！");
    case USB_SEND_FAILED:
    case USB_RECEIVE_FAILED:
        return QStringLiteral("与打印机通信失败，请检查打印机状态并重新尝试！");
    default:
        return QStringLiteral("未知错误！");
    }
}

int init_libusb(UsbOps& usb)
{
    if (usb.init(nullptr) < 0) {
        PRINTER_LOG("*** initial USB lib failed! \n");
        return -1;
    }
    return 0;
}

int get_device_descriptor(UsbOps& usb, libusb_device_descriptor& descriptor, userDevice& device,
                          const QString& port)
{
    libusb_device** devs = nullptr;
    const ssize_t count = usb.getDeviceList(nullptr, &devs);
    if (count < 0)
        return static_cast<int>(count);
    device.devs = devs;

    const QString wanted = PortSerial(port);
    for (ssize_t i = 0; i < count; ++i) {
        if (usb.getDeviceDescriptor(devs[i], &descriptor) < 0) {
            PRINTER_LOG("*** libusb_get_device_descriptor failed! i:%d \n", static_cast<int>(i + 1));
            return -1;
        }
        if (descriptor.idVendor != device.idVendor || descriptor.idProduct != device.idProduct)
            continue;
        libusb_device_handle* handle = nullptr;
        if (usb.open(devs[i], &handle) != 0)
            continue;
        unsigned char serial[kSerialBufferSize] = {};
        const int read = usb.getStringDescriptorAscii(handle, descriptor.iSerialNumber, serial, sizeof serial);
        usb.close(handle);
        serial[sizeof serial - 1] = 0;
        if (read >= 0 && SerialMatches(wanted, serial)) {
            device.dev = devs[i];
            return 0;
        }
    }
    return -2;
}

int match_with_endpoint(const libusb_interface_descriptor& setting, userDevice& device)
{
    bool in = false;
    bool out = false;
    for (int i = 0; i < setting.bNumEndpoints; ++i) {
        const libusb_endpoint_descriptor& endpoint = setting.endpoint[i];
        if ((endpoint.bmAttributes & 0x03) != device.bTransferType)
            continue;
        if (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
            device.bInEndpointAddress = endpoint.bEndpointAddress;
            in = true;
        } else {
            device.bOutEndpointAddress = endpoint.bEndpointAddress;
            out = true;
        }
    }
    return in && out ? 1 : 0;
}

int get_device_endpoint(UsbOps& usb, const libusb_device_descriptor& descriptor, userDevice& device)
{
    if (descriptor.bNumConfigurations == 0)
        return -2;
    for (std::uint8_t c = 0; c < descriptor.bNumConfigurations; ++c) {
        libusb_config_descriptor* config = nullptr;
        if (usb.getConfigDescriptor(device.dev, c, &config) < 0) {
            PRINTER_LOG("*** libusb_get_config_descriptor failed! \n");
            return -1;
        }
        for (int i = 0; i < config->bNumInterfaces; ++i) {
            const libusb_interface& interface = config->interface[i];
            for (int a = 0; a < interface.num_altsetting; ++a) {
                const libusb_interface_descriptor& setting = interface.altsetting[a];
                if (setting.bInterfaceClass != device.bInterfaceClass)
                    continue;
                if (match_with_endpoint(setting, device) && device.bOutEndpointAddress == kPrinterOutEndpoint) {
                    device.bInterfaceNumber = setting.bInterfaceNumber;
                    usb.freeConfigDescriptor(config);
                    return 0;
                }
            }
        }
        usb.freeConfigDescriptor(config);
    }
    return -2;
}

PrinterUsbSession::PrinterUsbSession(UsbOps& usb) : m_usb(usb) {}

PrinterUsbSession::~PrinterUsbSession()
{
    if (!m_bInitialised)
        return;
    if (m_device.devs != nullptr)
        m_usb.freeDeviceList(m_device.devs, 1);
    if (m_handle != nullptr) {
        if (m_bClaimed)
            m_usb.releaseInterface(m_handle, m_device.bInterfaceNumber);
        m_usb.close(m_handle);
    }
    m_usb.exit(nullptr);
    PRINTER_LOG("*** success! \n");
}

int PrinterUsbSession::Open(int vid, int pid, const QString& port)
{
    m_device = userDevice{};
    m_device.idVendor = static_cast<std::uint16_t>(vid);
    m_device.idProduct = static_cast<std::uint16_t>(pid);
    m_device.bInterfaceClass = kPrinterInterfaceClass;
    m_device.bInterfaceClass2 = kPrinterInterfaceClass;
    m_device.bTransferType = LIBUSB_TRANSFER_TYPE_BULK;

    if (init_libusb(m_usb) < 0) {
        PRINTER_LOG("*** init_libusb failed! \n");
        return USB_INIT_FAILED;
    }
    m_bInitialised = true;

    libusb_device_descriptor descriptor{};
    int rv = get_device_descriptor(m_usb, descriptor, m_device, port);
    if (rv < 0) {
        PRINTER_LOG("*** get_device_descriptor failed! \n");
        PRINTER_LOG("*** error=%s \n", libusb_error_name(rv));
        return USB_NO_PRINTER;
    }
    rv = get_device_endpoint(m_usb, descriptor, m_device);
    if (rv < 0) {
        PRINTER_LOG("*** get_device_endpoint failed! rv:%d \n", rv);
        PRINTER_LOG("*** error=%s \n", libusb_error_name(rv));
        return USB_NO_INTERFACE;
    }
    if (m_usb.open(m_device.dev, &m_handle) != 0) {
        m_handle = nullptr;
        PRINTER_LOG("*** Permission denied or Can not find the USB board (Maybe the USB driver has not been "
                    "installed correctly), quit!\n");
        return USB_OPEN_FAILED;
    }
    if (m_usb.claimInterface(m_handle, m_device.bInterfaceNumber) != 0) {
        rv = m_usb.detachKernelDriver(m_handle, m_device.bInterfaceNumber);
        if (rv < 0) {
            PRINTER_LOG("*** libusb_detach_kernel_driver failed! rv%d\n", rv);
            PRINTER_LOG("*** error=%s \n", libusb_error_name(rv));
            return USB_CLAIM_FAILED;
        }
        rv = m_usb.claimInterface(m_handle, m_device.bInterfaceNumber);
        if (rv < 0) {
            PRINTER_LOG("*** libusb_claim_interface failed! rv%d\n", rv);
            PRINTER_LOG("*** error=%s \n", libusb_error_name(rv));
            return USB_CLAIM_FAILED;
        }
    }
    m_bClaimed = true;
    return USB_OK;
}

int PrinterUsbSession::BulkOut(const unsigned char* data, int length, unsigned int timeoutMs, int& transferred)
{
    transferred = 0;
    // libusb does not write to the buffer of an OUT transfer.
    return m_usb.bulkTransfer(m_handle, m_device.bOutEndpointAddress, const_cast<unsigned char*>(data), length,
                              &transferred, timeoutMs);
}

int PrinterUsbSession::BulkIn(unsigned char* data, int capacity, unsigned int timeoutMs, int& transferred)
{
    transferred = 0;
    return m_usb.bulkTransfer(m_handle, m_device.bInEndpointAddress, data, capacity, &transferred, timeoutMs);
}

int USBSendRecvData(UsbOps& usb, int vid, int pid, const QString& port, const unsigned char* frame,
                    int frameLength, unsigned char* reply, int capacity, int& received)
{
    received = 0;
    PrinterUsbSession session(usb);
    const int opened = session.Open(vid, pid, port);
    if (opened != USB_OK)
        return opened;

    int sent = 0;
    int rv = session.BulkOut(frame, frameLength, kUsbExchangeTimeoutMs, sent);
    if (rv < 0 || sent < frameLength) {
        PRINTER_LOG("*** bulk_transfer failed! \n");
        if (rv < 0)
            PRINTER_LOG("*** error=%s \n", libusb_error_name(rv));
        return USB_SEND_FAILED;
    }
    rv = session.BulkIn(reply, capacity, kUsbExchangeTimeoutMs, received);
    if (rv < 0) {
        PRINTER_LOG("*** bulk_transfer failed! \n");
        PRINTER_LOG("*** error=%s \n", libusb_error_name(rv));
        return USB_RECEIVE_FAILED;
    }
    PRINTER_LOG("*** iRecvSize = %d \n", received);
    return USB_OK;
}
