#include "usbfs_transport.h"

#include "daemon_log.h"
#include "scan_protocol.h"

#include <algorithm>
#include <cstring>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kStringTimeoutMs = 1000;
constexpr int kDescriptorBufferSize = 255;
constexpr int kProbeBufferSize = 256;
constexpr uint8_t kStringDescriptorType = 3;

}  // namespace

int vuro_control_msg(int fd, int requestType, int request, int value, int index, uint8_t* bytes, int size,
                     int timeout)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = static_cast<uint8_t>(requestType);
    transfer.bRequest = static_cast<uint8_t>(request);
    transfer.wValue = static_cast<uint16_t>(value);
    transfer.wIndex = static_cast<uint16_t>(index);
    transfer.wLength = static_cast<uint16_t>(size);
    transfer.timeout = static_cast<uint32_t>(timeout);
    transfer.data = bytes;
    const int result = ioctl(fd, USBDEVFS_CONTROL, &transfer);
    if (result < 0)
        logError("[TaliroScanSDK] USB error: error sending control message\n");
    return result;
}

int vuro_get_string(int fd, int index, int langid, uint8_t* buffer, int length)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    return vuro_control_msg(fd, 0x80, 6, 0x0300 + index, langid, buffer, length, kStringTimeoutMs);
}

int asciiFromStringDescriptor(const uint8_t* descriptor, int received, char* buffer, size_t bufferLength)
{
    if (received < 2 || descriptor[1] != kStringDescriptorType)
        return kMalformedStringDescriptor;
    const int announced = descriptor[0];
    if (received < announced)
        return kShortStringDescriptor;
    if (bufferLength == 0)
        return 0;
    // Whole UTF-16LE characters only: an odd length leaves its last byte out.
    size_t characters = 0;
    for (int i = 2; i + 1 < announced && characters + 1 < bufferLength; i += 2)
        buffer[characters++] = descriptor[i + 1] != 0 ? '?' : static_cast<char>(descriptor[i]);
    buffer[characters] = '\0';
    return static_cast<int>(characters);
}

int vuro_get_string_simple(int fd, int index, char* buffer, size_t bufferLength)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    uint8_t descriptor[kDescriptorBufferSize] = {};
    int result = vuro_get_string(fd, 0, 0, descriptor, sizeof descriptor);
    if (result < 0)
        return result;
    if (result < 4)
        return kMalformedStringDescriptor;
    const int langid = descriptor[2] | (descriptor[3] << 8);
    std::memset(descriptor, 0, sizeof descriptor);
    result = vuro_get_string(fd, index, langid, descriptor, sizeof descriptor);
    if (result < 0)
        return result;
    return asciiFromStringDescriptor(descriptor, std::min(result, kDescriptorBufferSize), buffer, bufferLength);
}

int usb_bulk(int fd, unsigned int endpoint, uint8_t* data, int size, int timeout)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    const bool in = (endpoint & 0x80) != 0;
    int transferred = 0;
    while (transferred < size) {
        const int chunk = std::min(size - transferred, kBulkChunkSize);
        usbdevfs_bulktransfer transfer{};
        transfer.ep = endpoint;
        transfer.len = static_cast<unsigned int>(chunk);
        transfer.timeout = static_cast<unsigned int>(timeout);
        transfer.data = data + transferred;
        const int result = ioctl(fd, USBDEVFS_BULK, &transfer);
        if (result < 0) {
            // A device that still answers a string request is there: the
            // transfer timed out or failed. Bytes already moved still count.
            uint8_t scratch[kProbeBufferSize];
            const int probe = vuro_get_string(fd, 0, 0, scratch, sizeof scratch);
            if (probe >= 0)
                return transferred;
            logError("[TaliroScanSDK] ** vuro_get_string ret:%d\n", probe);
            return transferred > 0 ? transferred : probe;
        }
        const int moved = std::min(result, chunk);
        transferred += moved;
        // A short packet ends the device's message; nothing moved ends a write too.
        if (moved == 0 || (in && moved < chunk))
            break;
    }
    return transferred;
}

int vuro_bulk_write(int fd, const uint8_t* data, int size, int timeout)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    if (fd <= 0 || data == nullptr)
        return -1;
    return usb_bulk(fd, kBulkOutEndpoint, const_cast<uint8_t*>(data), size, timeout);
}

int vuro_bulk_read(int fd, uint8_t* buffer, int size, int timeout)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    if (fd <= 0 || buffer == nullptr)
        return -1;
    return usb_bulk(fd, kBulkInEndpoint, buffer, size, timeout);
}

int vuro_resetep(int fd, unsigned int endpoint)
{
    unsigned int argument = endpoint;
    return ioctl(fd, USBDEVFS_RESETEP, &argument) == 0 ? kSaneGood : kSaneIoError;
}

int vuro_clear_halt(int fd, unsigned int endpoint)
{
    unsigned int argument = endpoint;
    const int result = ioctl(fd, USBDEVFS_CLEAR_HALT, &argument);
    logInfo("[TaliroScanSDK] vuro_clear_halt ret:%d", result);
    return result == 0 ? kSaneGood : kSaneIoError;
}

int vuro_reset_device(int fd) { return ioctl(fd, USBDEVFS_RESET, nullptr); }

int vuro_init(int)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    return kSaneGood;
}

void vuro_close_device(int fd)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    if (fd != 0)
        close(fd);
}
