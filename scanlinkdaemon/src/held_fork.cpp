#include "held_fork.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int openPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

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

}  // namespace

HeldChild forkHeld()
{
    HeldChild child;
    int gate[2];
    if (pipe2(gate, O_CLOEXEC) != 0)
        return child;
    const pid_t pid = fork();
    if (pid < 0) {
        close(gate[0]);
        close(gate[1]);
        return child;
    }
    if (pid == 0) {
        close(gate[1]);
        waitForRelease(gate[0]);
        close(gate[0]);
        child.pid = 0;
        return child;
    }
    close(gate[0]);
    // The child cannot end before it is released, so its pid is still its own here.
    const int pidFd = openPidFd(pid);
    if (pidFd < 0) {
        kill(pid, SIGKILL);
        close(gate[1]);
        return child;
    }
    child.pid = pid;
    child.pidFd = pidFd;
    child.gate = gate[1];
    return child;
}

void releaseChild(HeldChild& child)
{
    if (child.gate >= 0)
        close(child.gate);
    child.gate = -1;
}
