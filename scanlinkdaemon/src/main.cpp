#include "absent_transports.h"
#include "scan_daemon.h"

int main()
{
    AbsentUsbScanner usb;
    AbsentNetworkScanner network;
    return runScanLinkDaemon(usb, network);
}
