#pragma once

#include <QString>

class UsbOps;

// Where the service finds and puts things; the program uses the fixed paths,
// tests use temporary folders, stand-in commands and a scripted USB bus.
struct MonitorConfig {
    QString installRoot;    // the suite's install root, with a trailing "/"
    QString cupsFolder;     // CUPS's configuration: printers.conf and ppd/
    QString lpstatProgram;  // a path, or a name looked up on the PATH
    QString jobUser;        // the "-u" user of the job check
    UsbOps* usb = nullptr;
};

// The service's own configuration: the built-in install root, "/etc/cups/",
// "lpstat" from the PATH, the last component of the running user's home
// folder, and libusb.
MonitorConfig ServiceConfig();
