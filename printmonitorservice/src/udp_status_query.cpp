#include "udp_status_query.h"

#include "command_frame.h"
#include "udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr int kBadAddress = -1;
constexpr int kNoSocket = -2;
constexpr int kNotSent = -3;
constexpr int kNoReply = -5;
// A reply must be longer than its header.
constexpr std::size_t kMinimumReply = command_frame::kHeaderSize + 1;

// Waits for a datagram from `printer` until the deadline; its length, or -1.
ssize_t ReceiveFrom(int fd, const in_addr& printer, unsigned char (&reply)[kUdpReplyCapacity])
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kUdpReplyTimeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return -1;
        pollfd wait{fd, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return -1;
        sockaddr_in sender{};
        socklen_t senderSize = sizeof sender;
        std::memset(reply, 0, sizeof reply);
        const ssize_t got = recvfrom(fd, reply, sizeof reply, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sender),
                                     &senderSize);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (got < 0)
            return -1;
        // The printer answers from a port of its choosing; only its address counts.
        if (sender.sin_family == AF_INET && sender.sin_addr.s_addr == printer.s_addr)
            return got;
    }
}

}  // namespace

int QueryStatusUdp(const QString& address, unsigned char (&reply)[kUdpReplyCapacity], std::size_t* received)
{
    in_addr printer{};
    if (address.isEmpty() || inet_pton(AF_INET, address.toLatin1().constData(), &printer) != 1)
        return kBadAddress;
    UdpSocket socket;
    if (socket.fd() < 0)
        return kNoSocket;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(command_frame::kUdpPort);
    target.sin_addr = printer;
    const auto& query = command_frame::kStatusQuery;
    const ssize_t sent = sendto(socket.fd(), query.data(), query.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                                sizeof target);
    if (sent != static_cast<ssize_t>(query.size()))
        return kNotSent;
    const ssize_t got = ReceiveFrom(socket.fd(), printer, reply);
    if (got < static_cast<ssize_t>(kMinimumReply))
        return kNoReply;
    *received = static_cast<std::size_t>(got);
    return 0;
}
