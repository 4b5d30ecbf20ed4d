#include "listener.h"

#include "connection_process.h"
#include "daemon_log.h"
#include "held_fork.h"
#include "quit_signal.h"
#include "scan_protocol.h"
#include "socket_io.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

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

// The connection processes alive, each held by its process descriptor. SIGCHLD
// is ignored, so an ended process is known by its descriptor turning readable.
class ConnectionProcesses {
public:
    bool full() const { return pidFds_.size() >= static_cast<size_t>(kMaxConnectionProcesses); }
    void add(int pidFd) { pidFds_.push_back(pidFd); }

    // The listening socket first, then one entry per process.
    std::vector<pollfd> waitEntries(int listenFd) const
    {
        std::vector<pollfd> entries{{listenFd, POLLIN, 0}};
        for (int pidFd : pidFds_)
            entries.push_back({pidFd, POLLIN, 0});
        return entries;
    }

    // Forgets the processes whose entries (from waitEntries) report their end.
    void forgetEnded(const std::vector<pollfd>& entries)
    {
        for (size_t i = 1; i < entries.size(); ++i) {
            if (entries[i].revents == 0)
                continue;
            close(entries[i].fd);
            pidFds_.erase(std::find(pidFds_.begin(), pidFds_.end(), entries[i].fd));
        }
    }

    // A connection process keeps none of them.
    void closeAll()
    {
        for (int pidFd : pidFds_)
            close(pidFd);
        pidFds_.clear();
    }

private:
    std::vector<int> pidFds_;
};

}  // namespace

int mainProc(UsbScanner& usb, NetworkScanner& network, const std::string& scanDir)
{
    VuroInitDbg(scanDir);
    const int listenFd = openListeningSocket();
    ConnectionProcesses connections;
    while (flag) {
        std::vector<pollfd> entries = connections.waitEntries(listenFd);
        const InputWait wait = waitForInput(entries.data(), entries.size());
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
        // Ended processes first, so their slots are free for the connections that wait.
        connections.forgetEnded(entries);
        if (entries[0].revents == 0)
            continue;
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
        if (connections.full()) {
            logError("[TaliroScanSDK] %d connections open, conn closed\n", kMaxConnectionProcesses);
            close(clientFd);
            continue;
        }
        fcntl(clientFd, F_SETFL, fcntl(clientFd, F_GETFL) & ~O_NONBLOCK);
        HeldChild child = forkHeld();
        if (child.pid < 0) {
            logError("[TaliroScanSDK] fork pro err\n");
        } else if (child.pid == 0) {
            close(listenFd);
            connections.closeAll();
            runConnectionProcess(clientFd, usb, network, scanDir);
        } else {
            connections.add(child.pidFd);
            releaseChild(child);
            logInfo("[TaliroScanSDK] new conn pid:%d\n", static_cast<int>(child.pid));
        }
        close(clientFd);
    }
    logQuitSignal();
    logInfo("[TaliroScanSDK] parent pro exit\n");
    close(listenFd);
    connections.closeAll();
    return 0;
}
