#include "data_process.h"

#include "daemon_log.h"
#include "quit_signal.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int sendSignal(int pidFd, int sig) { return static_cast<int>(syscall(SYS_pidfd_send_signal, pidFd, sig, nullptr, 0)); }

void waitUntilEnded(int pidFd)
{
    pollfd entry{pidFd, POLLIN, 0};
    while (poll(&entry, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

ForkedDataProcess::ForkedDataProcess(std::string scanDir) : scanDir_(std::move(scanDir)) {}

ForkedDataProcess::~ForkedDataProcess()
{
    release();
    forget();
}

bool ForkedDataProcess::start(std::function<void()> job)
{
    release();
    forget();
    HeldChild child = forkHeld();
    if (child.pid == 0) {
        releaseQuitSignal();
        VuroReopenDbg(scanDir_);
        job();
        _exit(0);
    }
    if (child.pid < 0)
        return false;
    child_ = child;
    return true;
}

void ForkedDataProcess::release() { releaseChild(child_); }

void ForkedDataProcess::stop()
{
    if (child_.pid <= 0)
        return;
    release();
    if (sendSignal(child_.pidFd, SIGKILL) == 0)
        waitUntilEnded(child_.pidFd);
    forget();
}

void ForkedDataProcess::forget()
{
    if (child_.pidFd >= 0)
        close(child_.pidFd);
    child_ = HeldChild{};
}
