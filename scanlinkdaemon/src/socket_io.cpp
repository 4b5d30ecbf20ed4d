#include "socket_io.h"

#include "retry_transfer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sys/socket.h>

namespace {

// The process's signal mask without SIGQUIT: the mask during a wait.
sigset_t maskDuringWait()
{
    sigset_t mask;
    sigprocmask(SIG_SETMASK, nullptr, &mask);
    sigdelset(&mask, SIGQUIT);
    return mask;
}

// poll() for input with SIGQUIT let through; >0 ready, 0 timed out, <0 error (errno set).
int pollInput(pollfd* entries, size_t count, const timespec* timeout)
{
    for (size_t i = 0; i < count; ++i)
        entries[i].events = POLLIN;
    const sigset_t mask = maskDuringWait();
    return ppoll(entries, count, timeout, &mask);
}

int pollInput(int fd, const timespec* timeout)
{
    pollfd entry{fd, POLLIN, 0};
    return pollInput(&entry, 1, timeout);
}

}  // namespace

ssize_t serverTcpSendWithRetry(int fd, const void* buffer, size_t n, int flags)
{
    const bool sent = transferWithRetry(buffer, n, [&](const char* first, size_t count) {
        return send(fd, first, count, flags);
    });
    return sent ? static_cast<ssize_t>(n) : -1;
}

InputWait waitForInput(int fd)
{
    pollfd entry{fd, POLLIN, 0};
    return waitForInput(&entry, 1);
}

InputWait waitForInput(pollfd* entries, size_t count)
{
    if (pollInput(entries, count, nullptr) > 0)
        return InputWait::Ready;
    return errno == EINTR ? InputWait::Interrupted : InputWait::Failed;
}

size_t receiveWhole(int fd, void* buffer, size_t size, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char* bytes = static_cast<char*>(buffer);
    size_t received = 0;
    while (received < size) {
        const ssize_t result = recv(fd, bytes + received, size - received, MSG_DONTWAIT);
        if (result > 0) {
            received += static_cast<size_t>(result);
            continue;
        }
        if (result == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            break;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        const timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                               static_cast<long>(left.count() % 1000000000)};
        if (pollInput(fd, &timeout) < 0 && errno != EINTR)
            break;
    }
    return received;
}
