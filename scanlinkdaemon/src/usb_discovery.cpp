#include "usb_discovery.h"

#include "daemon_log.h"
#include "usbfs_transport.h"

#include <cctype>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr size_t kPathSize = 4096;

struct DirCloser {
    void operator()(DIR* folder) const { closedir(folder); }
};
using Folder = std::unique_ptr<DIR, DirCloser>;

bool beginsWithDigit(const char* name) { return std::isdigit(static_cast<unsigned char>(name[0])) != 0; }

// "<folder>/<name>", false when it does not fit.
bool joinPath(char (&path)[kPathSize], const std::string& folder, const char* name)
{
    const int length = std::snprintf(path, sizeof path, "%s/%s", folder.c_str(), name);
    return length > 0 && static_cast<size_t>(length) < sizeof path;
}

bool matches(const usb_device_descriptor& descriptor, int vid, int pid, bool compareWithPID)
{
    return descriptor.idVendor == static_cast<uint16_t>(vid) &&
           (!compareWithPID || descriptor.idProduct == static_cast<uint16_t>(pid));
}

// Opens the device file and reads its whole device descriptor; -1 when the
// file cannot be opened, -2 when it holds no complete descriptor.
int openDevice(const char* path, usb_device_descriptor& descriptor)
{
    const int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (read(fd, &descriptor, sizeof descriptor) != static_cast<ssize_t>(sizeof descriptor)) {
        close(fd);
        return -2;
    }
    return fd;
}

}  // namespace

const std::vector<std::string>& usbBusFolders()
{
    static const std::vector<std::string> kFolders = {"/dev/bus/usb", "/proc/bus/usb"};
    return kFolders;
}

int findDevicesIn(const std::vector<std::string>& busFolders, int vid, int pid, VURO_USB_DEV* devices,
                  bool compareWithPID, int capacity)
{
    logInfo("[TaliroScanSDK] ** %s\n", "vuro_find_device");
    if (devices == nullptr) {
        logInfo("[TaliroScanSDK] dev_des is NULL \n");
        return -1;
    }
    Folder bus;
    std::string busPath;
    for (const std::string& candidate : busFolders) {
        bus.reset(opendir(candidate.c_str()));
        if (bus) {
            busPath = candidate;
            break;
        }
        logError("[TaliroScanSDK] open dir err:%s\n", candidate.c_str());
    }
    if (!bus) {
        logError("[TaliroScanSDK] find busdir err:%s\n", busFolders.empty() ? "" : busFolders.back().c_str());
        return -1;
    }

    int count = 0;
    while (const dirent* busEntry = readdir(bus.get())) {
        char busFolder[kPathSize];
        if (!beginsWithDigit(busEntry->d_name) || !joinPath(busFolder, busPath, busEntry->d_name))
            continue;
        Folder devicesFolder(opendir(busFolder));
        if (!devicesFolder) {
            logError("[TaliroScanSDK] open dir err:%s\n", busFolder);
            continue;
        }
        while (const dirent* deviceEntry = readdir(devicesFolder.get())) {
            char devicePath[kPathSize];
            if (!beginsWithDigit(deviceEntry->d_name) || !joinPath(devicePath, busFolder, deviceEntry->d_name))
                continue;
            if (count >= capacity) {
                logError("[TaliroScanSDK] device list full at %d devices\n", capacity);
                return count;
            }
            usb_device_descriptor descriptor{};
            const int fd = openDevice(devicePath, descriptor);
            if (fd == -1) {
                logError("[TaliroScanSDK] open usb err:%s\n", devicePath);
                continue;
            }
            if (fd < 0) {
                logError("[TaliroScanSDK] no device descriptor in:%s\n", devicePath);
                continue;
            }
            if (!matches(descriptor, vid, pid, compareWithPID)) {
                close(fd);
                continue;
            }
            devices[count].fd = fd;
            devices[count].dev_des = descriptor;
            ++count;
        }
    }
    return count;
}

int vuro_find_device(int vid, int pid, VURO_USB_DEV* devices, bool compareWithPID, int capacity)
{
    return findDevicesIn(usbBusFolders(), vid, pid, devices, compareWithPID, capacity);
}

void converToDevRes(int fd, const usb_device_descriptor& descriptor, USBFindDevRes& record)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    record.fd = fd;
    record.vid = descriptor.idVendor;
    record.pid = descriptor.idProduct;
    struct Text {
        uint8_t index;
        char (&target)[kUsbStringSize];
        const char* line;
    };
    const Text texts[] = {
        {descriptor.iManufacturer, record.Manufacturer, "[TaliroScanSDK] - Manufacturer : %s\n"},
        {descriptor.iProduct, record.Product, "[TaliroScanSDK] - Product : %s\n"},
        {descriptor.iSerialNumber, record.SerialNumber, "[TaliroScanSDK] - Serial Number: %s\n"},
    };
    for (const Text& text : texts) {
        text.target[0] = '\0';
        if (text.index != 0 && vuro_get_string_simple(fd, text.index, text.target, sizeof text.target) > 0)
            logInfo(text.line, text.target);
        else
            text.target[0] = '\0';
    }
}
