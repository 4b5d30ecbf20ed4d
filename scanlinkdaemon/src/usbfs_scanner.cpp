#include "usbfs_scanner.h"

#include "scanner_protocol.h"
#include "usb_discovery.h"
#include "usbfs_transport.h"

int UsbfsScanner::findDevices(int vid, int pid, bool compareWithPID, VURO_USB_DEV* devices, int capacity)
{
    return vuro_find_device(vid, pid, devices, compareWithPID, capacity);
}

void UsbfsScanner::describeDevice(const VURO_USB_DEV& device, USBFindDevRes& record)
{
    converToDevRes(device.fd, device.dev_des, record);
}

int UsbfsScanner::init(int fd) { return vuro_init(fd); }
void UsbfsScanner::closeDevice(int fd) { vuro_close_device(fd); }
int UsbfsScanner::clearHalt(int fd, uint32_t endpoint) { return vuro_clear_halt(fd, endpoint); }
int UsbfsScanner::resetEndpoint(int fd, uint32_t endpoint) { return vuro_resetep(fd, endpoint); }
int UsbfsScanner::scanStart(int fd) { return ScanStart(fd); }
int UsbfsScanner::scanAbort(int fd) { return ScanAbort(fd); }
int UsbfsScanner::scanLock(int fd, const SettingInfo& info) { return ScanLock(fd, info); }
int UsbfsScanner::scanUnlock(int fd) { return ScanUnlock(fd); }
int UsbfsScanner::scanAdfStatus(int fd, int32_t& status) { return ScanADFStatus(fd, status); }
int UsbfsScanner::scanPowerOn(int fd) { return ScanPowerOn(fd); }
int UsbfsScanner::scanGetSizes(int fd) { return ScanGetScanSizes(fd); }

int UsbfsScanner::scanDeviceProperties(int fd, ResScanDeviceProperties& properties)
{
    return ScanDeviceProperties(fd, properties);
}

int UsbfsScanner::scanRecord(int fd, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize)
{
    return ScanRecord(fd, status, data, dataSize);
}
