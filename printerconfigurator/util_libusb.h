#pragma once

// The USB side of the printer tools: finding a printer of one model with the
// port's serial number, finding its printer-class interface, and one whole
// exchange (initialise, select, open, claim, bulk OUT, bulk IN, give back
// everything). Nothing stays open between exchanges. All libusb calls go
// through UsbOps, so tests can put a scripted device in libusb's place.

#include "usb_ops.h"

#include <QString>

#include <cstdint>

// The USB selection of one exchange, zeroed and filled step by step.
struct userDevice {
    std::uint16_t idVendor;
    std::uint16_t idProduct;
    std::uint8_t bInterfaceClass;   // the wanted interface class
    std::uint8_t bInterfaceClass2;  // set like bInterfaceClass, not read
    std::uint8_t bTransferType;     // the wanted endpoint transfer type
    libusb_device* dev;             // the selected device, from devs
    libusb_device** devs;           // the device list; the exchange frees it
    std::uint8_t bInEndpointAddress;
    std::uint8_t bOutEndpointAddress;
    std::uint8_t bInterfaceNumber;
};

// The interface the printer tools talk to: printer class, bulk endpoints, the
// OUT endpoint at exactly this address.
inline constexpr std::uint8_t kPrinterInterfaceClass = LIBUSB_CLASS_PRINTER;
inline constexpr std::uint8_t kPrinterOutEndpoint = 0x01;

// Results of an exchange.
enum UsbExchangeResult {
    USB_OK = 0,
    USB_INIT_FAILED = -1,       // libusb could not be initialised
    USB_NO_PRINTER = -2,        // no printer of the model with the serial number, or no device list
    USB_NO_INTERFACE = -3,      // no printer-class interface with bulk IN and bulk OUT 0x01
    USB_OPEN_FAILED = -4,       // the device could not be opened
    USB_CLAIM_FAILED = -5,      // not claimed, also after detaching the kernel driver
    USB_SEND_FAILED = -6,       // the bulk OUT transfer failed or was short
    USB_RECEIVE_FAILED = -7,    // the bulk IN transfer failed (no answer in time)
};

inline constexpr unsigned int kUsbExchangeTimeoutMs = 3000;

// The message the printer tools show for a failed exchange's code.
QString UsbResultMessage(int code);

// libusb_init on the default context; -1 when it fails.
int init_libusb(UsbOps& usb);

// Selects the first device of the wanted ids that opens and whose serial
// number begins with the port's "serial" query item (case-sensitive; an empty
// item takes any). 0 with the device stored in `device`; the device list is
// stored in `device` as soon as there is one, also on failure, for the caller
// to free. Negative: the device list's own error, -1 a device descriptor
// could not be read, -2 no such device.
int get_device_descriptor(UsbOps& usb, libusb_device_descriptor& descriptor, userDevice& device,
                          const QString& port);

// Over the endpoints of one interface setting: endpoints of the wanted
// transfer type become the IN (bit 7 set) or OUT endpoint, a later one
// replacing an earlier one. 1 when this setting gave both, else 0.
int match_with_endpoint(const libusb_interface_descriptor& setting, userDevice& device);

// Finds a setting of the wanted class with both bulk endpoints and the OUT
// endpoint kPrinterOutEndpoint, in every configuration. 0 with the interface
// number stored; -1 a configuration descriptor could not be read; -2 none.
int get_device_endpoint(UsbOps& usb, const libusb_device_descriptor& descriptor, userDevice& device);

// The steps every USB printer exchange shares: initialise the library,
// select the printer, find its interface, open it, claim the interface
// (detaching the kernel driver only when a first claim fails). Whatever it
// took is given back when the session ends, on every path.
class PrinterUsbSession {
public:
    explicit PrinterUsbSession(UsbOps& usb);
    ~PrinterUsbSession();
    PrinterUsbSession(const PrinterUsbSession&) = delete;
    PrinterUsbSession& operator=(const PrinterUsbSession&) = delete;

    // 0 when the interface is claimed, else USB_INIT_FAILED ... USB_CLAIM_FAILED.
    int Open(int vid, int pid, const QString& port);

    // One bulk transfer on the claimed interface's OUT or IN endpoint: the
    // libusb result, with the byte count in `transferred`.
    int BulkOut(const unsigned char* data, int length, unsigned int timeoutMs, int& transferred);
    int BulkIn(unsigned char* data, int capacity, unsigned int timeoutMs, int& transferred);

private:
    UsbOps& m_usb;
    userDevice m_device{};
    bool m_bInitialised = false;
    libusb_device_handle* m_handle = nullptr;
    bool m_bClaimed = false;
};

// One exchange with the printer of the ids and the port: `frame` goes out in
// one bulk OUT transfer, the answer comes into `reply` (up to `capacity`
// bytes) from one bulk IN transfer, each with a 3000 ms time-out.
// `received` is the IN transfer's byte count (0 until it ran).
int USBSendRecvData(UsbOps& usb, int vid, int pid, const QString& port, const unsigned char* frame,
                    int frameLength, unsigned char* reply, int capacity, int& received);
