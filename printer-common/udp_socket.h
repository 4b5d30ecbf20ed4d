#pragma once

// A UDP socket over IPv4, closed when it goes out of scope.

#include <sys/socket.h>
#include <unistd.h>

class UdpSocket {
public:
    UdpSocket() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~UdpSocket()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // The descriptor; negative when no socket could be made.
    int fd() const { return fd_; }

private:
    int fd_;
};
