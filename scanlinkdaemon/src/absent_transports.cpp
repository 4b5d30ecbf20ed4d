#include "absent_transports.h"

#include <dirent.h>

int AbsentUsbScanner::findDevices(int, int, bool, VURO_USB_DEV*, int)
{
    for (const char* busFolder : {"/dev/bus/usb", "/proc/bus/usb"}) {
        if (DIR* folder = opendir(busFolder)) {
            closedir(folder);
            return 0;
        }
    }
    return -1;
}
void AbsentUsbScanner::describeDevice(const VURO_USB_DEV& device, USBFindDevRes& record) { record.fd = device.fd; }
int AbsentUsbScanner::init(int) { return kSaneGood; }
void AbsentUsbScanner::closeDevice(int) {}
int AbsentUsbScanner::clearHalt(int, uint32_t) { return kSaneIoError; }
int AbsentUsbScanner::resetEndpoint(int, uint32_t) { return kSaneIoError; }
int AbsentUsbScanner::scanStart(int) { return kSaneIoError; }
int AbsentUsbScanner::scanAbort(int) { return -1; }
int AbsentUsbScanner::scanLock(int, const SettingInfo&) { return kSaneIoError; }
int AbsentUsbScanner::scanUnlock(int) { return kSaneIoError; }
int AbsentUsbScanner::scanAdfStatus(int, int32_t&) { return kSaneIoError; }
int AbsentUsbScanner::scanPowerOn(int) { return kSaneIoError; }
int AbsentUsbScanner::scanGetSizes(int) { return kSaneIoError; }
int AbsentUsbScanner::scanDeviceProperties(int, ResScanDeviceProperties&) { return kSaneIoError; }
int AbsentUsbScanner::scanRecord(int, int32_t&, std::vector<uint8_t>&, size_t&) { return kSaneIoError; }
