#pragma once

// The daemon's USB side: discovery and the endpoint requests of the usbfs
// transport, and the scanner command protocol on its bulk endpoints.

#include "scanner_transports.h"

class UsbfsScanner : public UsbScanner {
public:
    int findDevices(int vid, int pid, bool compareWithPID, VURO_USB_DEV* devices, int capacity) override;
    void describeDevice(const VURO_USB_DEV& device, USBFindDevRes& record) override;
    int init(int fd) override;
    void closeDevice(int fd) override;
    int clearHalt(int fd, uint32_t endpoint) override;
    int resetEndpoint(int fd, uint32_t endpoint) override;
    int scanStart(int fd) override;
    int scanAbort(int fd) override;
    int scanLock(int fd, const SettingInfo& info) override;
    int scanUnlock(int fd) override;
    int scanAdfStatus(int fd, int32_t& status) override;
    int scanPowerOn(int fd) override;
    int scanGetSizes(int fd) override;
    int scanDeviceProperties(int fd, ResScanDeviceProperties& properties) override;
    int scanRecord(int fd, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize) override;
};
