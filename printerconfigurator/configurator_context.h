#pragma once

#include <QString>

class UsbOps;

// What the configurator's pages reach outside the window: the install root
// (for the printer list) and the USB library.
struct ConfiguratorContext {
    QString installRoot;
    UsbOps* usb;
};
