#include "absent_transports.h"
#include "netscan_transport.h"
#include "scan_daemon.h"

int main()
{
    AbsentUsbScanner usb;
    NetworkTransport network;
    return runScanLinkDaemon(usb, network);
}
