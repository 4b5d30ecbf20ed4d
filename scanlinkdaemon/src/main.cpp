#include "netscan_transport.h"
#include "scan_daemon.h"
#include "usbfs_scanner.h"

int main()
{
    UsbfsScanner usb;
    NetworkTransport network;
    return runScanLinkDaemon(usb, network);
}
