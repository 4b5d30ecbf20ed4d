// The network status query against scripted peers on loopback addresses of a
// private network namespace: what is sent, which reply is taken.

#include "command_frame.h"
#include "udp_status_query.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

sockaddr_in Address(const char* ip, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, ip, &address.sin_addr);
    return address;
}

// A UDP socket bound to an address of the test's choice.
class Peer {
public:
    Peer(const char* ip, std::uint16_t port) : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        const sockaddr_in local = Address(ip, port);
        bound_ = bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    }
    ~Peer() { close(fd_); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool bound() const { return bound_; }

    // The next datagram within 5 s, with its sender.
    Bytes receive(sockaddr_in* sender = nullptr)
    {
        pollfd wait{fd_, POLLIN, 0};
        if (poll(&wait, 1, 5000) != 1)
            return {};
        Bytes data(70000);
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t got = recvfrom(fd_, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&from), &size);
        data.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        if (sender != nullptr)
            *sender = from;
        return data;
    }

    void send(const Bytes& data, const sockaddr_in& to)
    {
        sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

private:
    int fd_;
    bool bound_ = false;
};

struct Answer {
    int result;
    Bytes reply;
    long long elapsedMs;
};

std::future<Answer> QueryAsync(const QString& address)
{
    return std::async(std::launch::async, [address] {
        const auto start = std::chrono::steady_clock::now();
        unsigned char reply[kUdpReplyCapacity];
        std::size_t received = 0;
        const int result = QueryStatusUdp(address, reply, &received);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        return Answer{result, result == 0 ? Bytes(reply, reply + received) : Bytes(),
                      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()};
    });
}

Bytes Pattern(std::size_t size, unsigned char seed)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i);
    return bytes;
}

TEST(UdpStatusQuery, TakesTheFirstReplyFromThePrintersAddress)
{
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, Bytes>> datagrams;  // sender address, bytes, in order
        int result;
        Bytes reply;
    };
    const Bytes reply = Pattern(82, 0x10);
    const Case cases[] = {
        {"others first", {{"127.0.0.3", Pattern(82, 0x80)}, {"127.0.0.4", Pattern(40, 0x90)}, {"127.0.0.2", reply}}, 0,
         reply},
        {"eight bytes", {{"127.0.0.2", Pattern(8, 1)}}, 0, Pattern(8, 1)},
        {"seven bytes", {{"127.0.0.2", Pattern(7, 1)}, {"127.0.0.2", reply}}, -5, {}},
        {"longer than the buffer", {{"127.0.0.2", Pattern(3000, 7)}}, 0, Pattern(kUdpReplyCapacity, 7)},
    };
    Peer printer("127.0.0.2", command_frame::kUdpPort);
    ASSERT_TRUE(printer.bound());
    for (const Case& c : cases) {
        std::future<Answer> answer = QueryAsync(QStringLiteral("127.0.0.2"));
        sockaddr_in client{};
        const Bytes query = printer.receive(&client);
        EXPECT_EQ(query, Bytes(command_frame::kStatusQuery.begin(), command_frame::kStatusQuery.end())) << c.what;
        for (const auto& [from, bytes] : c.datagrams) {
            // Every reply leaves from a port other than the one the query went to.
            Peer sender(from, 0);
            sender.send(bytes, client);
        }
        const Answer got = answer.get();
        EXPECT_EQ(got.result, c.result) << c.what;
        EXPECT_EQ(got.reply, c.reply) << c.what;
        EXPECT_LT(got.elapsedMs, kUdpReplyTimeoutMs) << c.what << ": a reply from the printer ends the wait";
    }
}

TEST(UdpStatusQuery, OthersDatagramsDoNotExtendTheWait)
{
    Peer printer("127.0.0.2", command_frame::kUdpPort);
    ASSERT_TRUE(printer.bound());
    std::future<Answer> answer = QueryAsync(QStringLiteral("127.0.0.2"));
    sockaddr_in client{};
    ASSERT_FALSE(printer.receive(&client).empty());
    // A stranger sends all through the wait, for five times its length at
    // most: a wait begun anew at each datagram would outlast the stranger.
    Peer stranger("127.0.0.3", 0);
    constexpr int kPauseMs = 100;
    int sent = 0;
    do {
        stranger.send(Pattern(82, 0x30), client);
        ++sent;
    } while (answer.wait_for(std::chrono::milliseconds(kPauseMs)) != std::future_status::ready
             && sent < 5 * kUdpReplyTimeoutMs / kPauseMs);
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(0)), std::future_status::ready)
        << "still waiting after " << sent << " datagrams";
    const Answer got = answer.get();
    EXPECT_EQ(got.result, -5);
    EXPECT_GE(got.elapsedMs, 1900);
}

TEST(UdpStatusQuery, AddressThatIsNoDottedIpv4SendsNothing)
{
    Peer catcher("0.0.0.0", command_frame::kUdpPort);
    ASSERT_TRUE(catcher.bound());
    for (const char* address : {"", "printer.local", "127.1", "::1", "127.0.0.2 ", "127.0.0.256"}) {
        unsigned char reply[kUdpReplyCapacity];
        std::size_t received = 0;
        EXPECT_EQ(QueryStatusUdp(QString::fromLatin1(address), reply, &received), -1) << '"' << address << '"';
    }
    // The first datagram on this machine's port 9300 is the checkpoint sent after them.
    Peer checkpoint("127.0.0.5", 0);
    checkpoint.send({'c', 'p'}, Address("127.0.0.1", command_frame::kUdpPort));
    EXPECT_EQ(catcher.receive(), (Bytes{'c', 'p'}));
}

}  // namespace
