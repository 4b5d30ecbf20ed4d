#pragma once

// The daemon's start: daemonises, installs the SIGQUIT handler and runs the
// listener on the given transports. The program's result.

class NetworkScanner;
class UsbScanner;

int runScanLinkDaemon(UsbScanner& usb, NetworkScanner& network);
