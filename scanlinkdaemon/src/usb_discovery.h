#pragma once

// Device discovery over the usbfs bus folders: the USB devices of a vendor
// (and product) with their device files opened, and the record of one device
// with its manufacturer, product and serial number strings.

#include "scan_protocol.h"
#include "scanner_transports.h"

#include <string>
#include <vector>

// The bus folders, tried in this order.
const std::vector<std::string>& usbBusFolders();

// Lists the devices of vid (and pid when compareWithPID; ids compared as
// unsigned 16-bit values) under the first of `busFolders` that opens, into at
// most `capacity` entries of `devices`, each with its device file open. The
// count, or -1 when no bus folder opens.
int findDevicesIn(const std::vector<std::string>& busFolders, int vid, int pid, VURO_USB_DEV* devices,
                  bool compareWithPID, int capacity);
// findDevicesIn the real bus folders.
int vuro_find_device(int vid, int pid, VURO_USB_DEV* devices, bool compareWithPID, int capacity);

// Fills fd, ids and the three strings of a discovered device into a zeroed record.
void converToDevRes(int fd, const usb_device_descriptor& descriptor, USBFindDevRes& record);
