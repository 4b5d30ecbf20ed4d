#pragma once

// Sending replies and receiving whole request records on a client connection.

#include <cstddef>
#include <poll.h>
#include <sys/types.h>

// Sends the n bytes, each try continuing at the first unsent byte; a failed or
// short send counts as one try. n when all bytes went out, else -1 after 11 tries.
ssize_t serverTcpSendWithRetry(int fd, const void* buffer, size_t n, int flags);

enum class InputWait { Ready, Interrupted, Failed };
// Waits until fd has input (or end of stream). SIGQUIT interrupts the wait.
InputWait waitForInput(int fd);
// Waits until one of the entries' descriptors has input; their revents tell which.
InputWait waitForInput(pollfd* entries, size_t count);

// How long a request record may take to arrive once its command number came.
inline constexpr int kRecordTimeoutMs = 5000;

// Receives up to `size` bytes, looping over short receives until all arrived,
// the peer closed, or `timeoutMs` passed. Returns the number of bytes received.
size_t receiveWhole(int fd, void* buffer, size_t size, int timeoutMs = kRecordTimeoutMs);
