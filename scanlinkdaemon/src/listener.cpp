#include "listener.h"

#include "connection_process.h"
#include "daemon_log.h"
#include "quit_signal.h"
#include "scan_protocol.h"
#include "socket_io.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kBacklog = 20;

int openListeningSocket()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kScanCommandPort);
    // Only the SANE backend on this machine is served.
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    logError("[TaliroScanSDK] bind port:%d\n", kScanCommandPort);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        logError("[TaliroScanSDK] bind err\n");
        std::exit(1);
    }
    if (listen(fd, kBacklog) != 0) {
        logError("[TaliroScanSDK] listen err\n");
        std::exit(1);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

// Out of descriptors or memory: wait a little instead of failing again at once.
bool isResourceShortage(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

void pauseAfterShortage()
{
    timespec pause{1, 0};
    nanosleep(&pause, nullptr);
}

}  // namespace

int mainProc(UsbScanner& usb, NetworkScanner& network, const std::string& scanDir)
{
    VuroInitDbg(scanDir);
    const int listenFd = openListeningSocket();
    while (flag) {
        const InputWait wait = waitForInput(listenFd);
        if (wait == InputWait::Interrupted) {
            logQuitSignal();
            logError("[TaliroScanSDK] accept err\n");
            continue;
        }
        if (wait == InputWait::Failed) {
            logError("[TaliroScanSDK] accept err\n");
            pauseAfterShortage();
            continue;
        }
        const int clientFd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (clientFd < 0) {
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK)
                continue;
            logError("[TaliroScanSDK] accept err\n");
            if (isResourceShortage(error))
                pauseAfterShortage();
            continue;
        }
        fcntl(clientFd, F_SETFL, fcntl(clientFd, F_GETFL) & ~O_NONBLOCK);
        const pid_t pid = fork();
        if (pid < 0) {
            logError("[TaliroScanSDK] fork pro err\n");
        } else if (pid == 0) {
            close(listenFd);
            runConnectionProcess(clientFd, usb, network, scanDir);
        } else {
            logInfo("[TaliroScanSDK] new conn pid:%d\n", static_cast<int>(pid));
        }
        close(clientFd);
    }
    logQuitSignal();
    logInfo("[TaliroScanSDK] parent pro exit\n");
    close(listenFd);
    return 0;
}
