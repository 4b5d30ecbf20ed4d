#include "connection_process.h"

#include "command_server.h"
#include "daemon_log.h"
#include "data_process.h"

#include <csignal>
#include <unistd.h>

void runConnectionProcess(int clientFd, UsbScanner& usb, NetworkScanner& network, const std::string& scanDir)
{
    signal(SIGCHLD, SIG_IGN);
    VuroReopenDbg(scanDir);
    ForkedDataProcess dataProcess(scanDir);
    CommandServer server(clientFd, usb, network, dataProcess, scanDir, static_cast<int>(getpid()));
    server.run();
    close(clientFd);
    _exit(0);
}
