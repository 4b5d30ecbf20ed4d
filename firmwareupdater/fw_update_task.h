#pragma once

// The firmware transfer: the whole image to a USB printer in one bulk OUT
// transfer that waits as long as the printer takes it. Nothing is read back.

#include <QString>

class UsbOps;

// Results: 0 the whole image went out; -1 ... -5 as the USB exchange
// (util_libusb.h); -7 the transfer failed or was short.
inline constexpr int kFirmwareSendFailed = -7;

// Sends `length` bytes of `image` to the printer of the ids and the port.
// `sent` is the number of bytes the printer took, so a caller can tell a
// transfer that never started from one that stopped midway.
int FWUpdateTask(UsbOps& usb, int vid, int pid, const QString& port, const char* image, int length, int& sent);

// The message FirmwareUpdater shows for a transfer's result.
QString FirmwareResultMessage(int code);
