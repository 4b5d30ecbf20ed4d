#include "scan_daemon.h"

#include "listener.h"
#include "quit_signal.h"

#include <taliro/install_root.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void forkAndLeaveParent()
{
    const pid_t pid = fork();
    if (pid < 0) {
        std::printf("fork error");
        std::exit(1);
    }
    if (pid > 0)
        _exit(0);
}

// Descriptors 0 to 2 stay taken by /dev/null, so no file the daemon opens
// later (logs, devices, connections) gets a number a client could name by mistake.
void pointStandardStreamsAtNull()
{
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) {
        if (null != fd)
            dup2(null, fd);
    }
    if (null > 2)
        close(null);
}

// Whatever the starting program left open (a terminal, a pipe, a file) is not
// the daemon's and is not passed on to its connection and data processes.
void closeInheritedDescriptors()
{
    if (close_range(3, ~0U, 0) == 0)
        return;
    std::vector<int> open;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(folder)) {
            const int fd = std::atoi(entry->d_name);
            if (fd > 2 && fd != dirfd(folder))
                open.push_back(fd);
        }
        closedir(folder);
    }
    for (int fd : open)
        close(fd);
}

void create_daemon()
{
    signal(SIGTTOU, SIG_IGN);
    signal(SIGTTIN, SIG_IGN);
    forkAndLeaveParent();
    if (setsid() < 0) {
        std::printf("setsid error");
        std::exit(1);
    }
    forkAndLeaveParent();
    [[maybe_unused]] const int changed = chdir("/");
    std::fflush(stdout);
    pointStandardStreamsAtNull();
    closeInheritedDescriptors();
    umask(0);
    signal(SIGCHLD, SIG_IGN);
}

}  // namespace

int runScanLinkDaemon(UsbScanner& usb, NetworkScanner& network)
{
    create_daemon();
    if (!installQuitHandler())
        std::exit(0);
    holdQuitSignalOutsideWaits();
    mainProc(usb, network, std::string(taliro::kInstallRoot) + "scan/");
    return 0;
}
