#include "data_process.h"

#include "daemon_log.h"
#include "quit_signal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int openPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

int sendSignal(int pidFd, int sig) { return static_cast<int>(syscall(SYS_pidfd_send_signal, pidFd, sig, nullptr, 0)); }

// Blocks until the write end of the pipe is closed.
void waitForRelease(int readFd)
{
    char byte;
    for (;;) {
        const ssize_t result = read(readFd, &byte, 1);
        if (result == 0 || (result < 0 && errno != EINTR))
            return;
    }
}

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
    int gate[2];
    if (pipe2(gate, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(gate[0]);
        close(gate[1]);
        return false;
    }
    if (pid == 0) {
        close(gate[1]);
        waitForRelease(gate[0]);
        close(gate[0]);
        releaseQuitSignal();
        VuroReopenDbg(scanDir_);
        job();
        _exit(0);
    }
    close(gate[0]);
    // The child cannot end before it is released, so its pid is still its own here.
    pidFd_ = openPidFd(pid);
    if (pidFd_ < 0) {
        // A job that an abort could not stop is not run: the child ends before its release.
        kill(pid, SIGKILL);
        close(gate[1]);
        return false;
    }
    releaseFd_ = gate[1];
    dataProcPid_ = pid;
    return true;
}

void ForkedDataProcess::release()
{
    if (releaseFd_ >= 0)
        close(releaseFd_);
    releaseFd_ = -1;
}

void ForkedDataProcess::stop()
{
    if (dataProcPid_ <= 0)
        return;
    release();
    if (pidFd_ >= 0 && sendSignal(pidFd_, SIGKILL) == 0)
        waitUntilEnded(pidFd_);
    forget();
}

void ForkedDataProcess::forget()
{
    if (pidFd_ >= 0)
        close(pidFd_);
    pidFd_ = -1;
    dataProcPid_ = 0;
}
