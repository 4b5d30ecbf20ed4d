// Runs the real printer-sim in the private network namespace and talks to it
// over UDP as a printer's client would.

#include "command_frame.h"
#include "sim_printer.h"
#include "status_reply_builder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using testbed::SimPrinter;

const Bytes kStatusQuery(command_frame::kStatusQuery.begin(), command_frame::kStatusQuery.end());

// A status reply as a printer sends it (82 bytes), from the one layout definition.
const Bytes kStatusReply = BuildStatusReply(SampleStatusReply());

// The header of a status query, with one byte changed.
Bytes brokenHeader(std::size_t index, std::uint8_t value)
{
    Bytes header = command_frame::buildFrame(command_frame::kFunctionStatus, command_frame::kStatusQueryOperation,
                                             nullptr, 0);
    header[index] = value;
    return header;
}

// One UDP socket of a printer's client (bound to `source` when given). Its
// datagrams arrive in order, so a reply the simulator should not have sent
// shows up in place of the next one expected: silence needs no waiting.
class PrinterClient {
public:
    explicit PrinterClient(const char* source = nullptr) : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        if (fd_ >= 0 && source != nullptr) {
            sockaddr_in from{};
            from.sin_family = AF_INET;
            inet_pton(AF_INET, source, &from.sin_addr);
            if (bind(fd_, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) {
                close(fd_);
                fd_ = -1;
            }
        }
    }
    ~PrinterClient()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    PrinterClient(const PrinterClient&) = delete;
    PrinterClient& operator=(const PrinterClient&) = delete;

    bool send(const std::string& address, const Bytes& frame)
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(command_frame::kUdpPort);
        inet_pton(AF_INET, address.c_str(), &to.sin_addr);
        return fd_ >= 0 && sendto(fd_, frame.data(), frame.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                                  sizeof to) == static_cast<ssize_t>(frame.size());
    }

    // The next datagram that came, waiting up to waitMs (0: only one already there).
    std::optional<Bytes> receive(int waitMs = 2000)
    {
        pollfd wait{fd_, POLLIN, 0};
        if (fd_ < 0 || poll(&wait, 1, waitMs) != 1)
            return std::nullopt;
        Bytes buffer(65536);
        const ssize_t got = recv(fd_, buffer.data(), buffer.size(), 0);
        if (got < 0)
            return std::nullopt;
        buffer.resize(static_cast<std::size_t>(got));
        return buffer;
    }

    std::optional<Bytes> exchange(const std::string& address, const Bytes& frame)
    {
        return send(address, frame) ? receive() : std::nullopt;
    }

private:
    int fd_;
};

TEST(PrinterSim, AnswersTheStatusQueryWithTheReplyFile)
{
    SimPrinter sim("127.0.0.2");
    ASSERT_TRUE(sim.waitListening());
    sim.setReply(kStatusReply);

    PrinterClient client;
    EXPECT_EQ(client.exchange("127.0.0.2", kStatusQuery), kStatusReply);

    const auto frames = sim.frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].header, "ok");
    EXPECT_EQ(frames[0].hex, "A5 00 0C 50 E0 74 08 03 00 00 00 00 00 00 00");
    EXPECT_EQ(frames[0].sender.rfind("127.", 0), 0u) << frames[0].sender;
    EXPECT_TRUE(sim.waitForLine("#1 reply 82 bytes"));
}

TEST(PrinterSim, RereadsTheScriptedReplyForEveryRequest)
{
    SimPrinter sim("127.0.0.3");
    ASSERT_TRUE(sim.waitListening());
    struct Step {
        const char* what;
        std::optional<Bytes> reply;  // nullopt: no reply file
        std::optional<Bytes> expected;
        const char* logLine;
    };
    const Step steps[] = {
        {"status reply", kStatusReply, kStatusReply, "#1 reply 82 bytes"},
        {"short reply", Bytes(kStatusReply.begin(), kStatusReply.begin() + 3),
         Bytes(kStatusReply.begin(), kStatusReply.begin() + 3), "#2 reply 3 bytes"},
        {"missing file", std::nullopt, std::nullopt, "#3 silent"},
        {"empty file", Bytes{}, std::nullopt, "#4 silent"},
        {"seven-byte reply", Bytes(7, 0x00), Bytes(7, 0x00), "#5 reply 7 bytes"},
        {"malformed reply", Bytes{0x00, 0xFF, 0x13, 0x37, 0x00, 0x00, 0x00, 0x01},
         Bytes{0x00, 0xFF, 0x13, 0x37, 0x00, 0x00, 0x00, 0x01}, "#6 reply 8 bytes"},
        // Cut to the largest datagram instead of failing to go out.
        {"reply longer than a datagram", Bytes(70000, 0x5A), Bytes(65507, 0x5A), "#7 reply 65507 bytes"},
    };
    PrinterClient client;
    for (const Step& step : steps) {
        if (step.reply)
            sim.setReply(*step.reply);
        else
            sim.setSilent();
        ASSERT_TRUE(client.send("127.0.0.3", kStatusQuery));
        if (step.expected) {
            EXPECT_EQ(client.receive(), step.expected) << step.what;
        }
        // A silent step's line is logged after the simulator chose silence;
        // the next reply read shows whether it answered all the same.
        EXPECT_TRUE(sim.waitForLine(step.logLine)) << step.what;
    }
    EXPECT_EQ(sim.frames().size(), std::size(steps));
}

TEST(PrinterSim, LogsButDoesNotAnswerFramesWithABadHeader)
{
    SimPrinter sim("127.0.0.2");
    ASSERT_TRUE(sim.waitListening());
    sim.setReply(kStatusReply);
    struct Case {
        Bytes frame;
        const char* header;
        const char* hex;
    };
    const Case cases[] = {
        {Bytes(kStatusQuery.begin(), kStatusQuery.begin() + 3), "short", "A5 00 0C"},
        {brokenHeader(command_frame::kStartOffset, 0x5A), "bad-start-byte", "5A 00 04 50 E0 74 08"},
        {brokenHeader(command_frame::kLengthOffset + 1, 0x0F), "bad-length", "A5 00 0F 50 E0 74 08"},
        {brokenHeader(command_frame::kMarkerOffset + 1, 0xE1), "bad-marker", "A5 00 04 50 E1 74 08"},
    };
    PrinterClient client;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(client.send("127.0.0.2", cases[i].frame));
        EXPECT_TRUE(sim.waitForLine("#" + std::to_string(i + 1) + " ignored")) << cases[i].header;
    }
    // Had a bad frame been answered, the status reply would come before this one.
    const Bytes checkpoint(5, 0x11);
    sim.setReply(checkpoint);
    EXPECT_EQ(client.exchange("127.0.0.2", kStatusQuery), checkpoint);

    const auto frames = sim.frames();
    ASSERT_EQ(frames.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(frames[i].header, cases[i].header);
        EXPECT_EQ(frames[i].hex, cases[i].hex);
    }
    EXPECT_EQ(frames.back().header, "ok");
}

TEST(PrinterSim, NeverAnswersASenderOutsideLoopback)
{
    // An outside address on this namespace's own loopback device.
    ASSERT_EQ(testbed::runProgram({"/usr/sbin/ip", "addr", "add", "10.200.0.1/32", "dev", "lo"}, 5000), 0);
    SimPrinter sim("127.0.0.2");
    ASSERT_TRUE(sim.waitListening());
    sim.setReply(kStatusReply);

    PrinterClient outside("10.200.0.1");
    ASSERT_TRUE(outside.send("127.0.0.2", kStatusQuery));
    EXPECT_TRUE(sim.waitForLine("#1 refused: sender outside loopback"));
    PrinterClient inside;
    EXPECT_EQ(inside.exchange("127.0.0.2", kStatusQuery), kStatusReply);
    // Frames are served in turn: an answer to the first would be here by now.
    EXPECT_EQ(outside.receive(0), std::nullopt);
    const auto frames = sim.frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].sender.rfind("10.200.0.1:", 0), 0u) << frames[0].sender;
}

TEST(PrinterSim, StopsAfterTheRequestCount)
{
    SimPrinter sim("127.0.0.2", {"--max-requests", "2"});
    ASSERT_TRUE(sim.waitListening());
    sim.setReply(kStatusReply);
    PrinterClient client;
    EXPECT_TRUE(client.exchange("127.0.0.2", kStatusQuery).has_value());
    // Still there for the second request.
    EXPECT_TRUE(client.exchange("127.0.0.2", kStatusQuery).has_value());
    EXPECT_EQ(sim.waitExit(2000), 0);
    EXPECT_EQ(sim.logLines().back(), "stopped after 2 requests");
}

TEST(PrinterSim, StopsAfterTheTimeBoundWithoutRequests)
{
    const auto start = std::chrono::steady_clock::now();
    SimPrinter sim("127.0.0.2", {"--max-seconds", "1"});
    ASSERT_TRUE(sim.waitListening());
    EXPECT_EQ(sim.waitExit(3000), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(sim.logLines().back(), "stopped after 1 s");
}

TEST(PrinterSim, RefusesAddressesOutsideItsRange)
{
    for (const char* address : {"127.0.0.1", "0.0.0.0", "10.1.2.3", "127.255.255.255"}) {
        SimPrinter sim(address);
        EXPECT_EQ(sim.waitExit(2000), 2) << address;
        EXPECT_TRUE(sim.logLines().empty()) << address;
    }
}

}  // namespace
