#include "socket_io.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr int kSendTries = 11;

// The process's signal mask without SIGQUIT: the mask during a wait.
sigset_t maskDuringWait()
{
    sigset_t mask;
    sigprocmask(SIG_SETMASK, nullptr, &mask);
    sigdelset(&mask, SIGQUIT);
    return mask;
}

// poll() for input with SIGQUIT let through; >0 ready, 0 timed out, <0 error (errno set).
int pollInput(int fd, const timespec* timeout)
{
    pollfd entry{fd, POLLIN, 0};
    const sigset_t mask = maskDuringWait();
    return ppoll(&entry, 1, timeout, &mask);
}

}  // namespace

ssize_t serverTcpSendWithRetry(int fd, const void* buffer, size_t n, int flags)
{
    const char* bytes = static_cast<const char*>(buffer);
    size_t sent = 0;
    for (int tries = 0; sent < n && tries < kSendTries; ++tries) {
        const ssize_t result = send(fd, bytes + sent, n - sent, flags);
        if (result > 0)
            sent += static_cast<size_t>(result);
    }
    return sent == n ? static_cast<ssize_t>(n) : -1;
}

InputWait waitForInput(int fd)
{
    if (pollInput(fd, nullptr) > 0)
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
