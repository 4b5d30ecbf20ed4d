// The address check and the UDP exchange against the simulated printer on a
// loopback address of a private network namespace.

#include "net_reply_builder.h"
#include "sim_printer.h"
#include "udp_exchange.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using net_reply::Bytes;
using net_reply::Hex;

const Bytes kCleaning = Hex("A5 00 07 50 E0 2E 02 01 01 01");

struct Exchange {
    int result;
    int received;
    Bytes reply;
};

Exchange RunExchange(const QString& address, const Bytes& frame = kCleaning)
{
    unsigned char reply[1024] = {};
    int received = -99;
    const int result =
        UDPSendRecvData(address, frame.data(), static_cast<int>(frame.size()), reply, sizeof reply, received);
    return {result, received, Bytes(reply, reply + std::max(received, 0))};
}

TEST(IsIPValid, MatchesTheWholeTextOnly)
{
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"192.168.1.20", true},    {"0.0.0.0", true},        {"255.255.255.255", true}, {"127.0.0.2", true},
        {"010.0.0.1", true},       {"1.02.3.4", true},       {"192.168.1.256", false},  {"10.0.0", false},
        {"1.2.3.45678", false},    {"1.2.3.0004", false},    {"1.2.3.4.", false},       {".1.2.3.4", false},
        {"1.2.3.4\n", false},      {" 1.2.3.4", false},      {"1.2.3.4x", false},       {"a.b.c.d", false},
        {"1.2.3.-4", false},       {"", false},              {"1,2,3,4", false},        {"300.1.1.1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsIPValid(QString::fromLatin1(c.text)), c.valid) << c.text;
    // Digits of other scripts are no address digits.
    EXPECT_FALSE(IsIPValid(QStringLiteral("１.2.3.4")));
    EXPECT_FALSE(IsIPValid(QStringLiteral("١.2.3.4")));
}

TEST(UdpExchange, AnAddressThatIsNoStrictDottedQuadSendsNothing)
{
    testbed::SimPrinter printer("127.0.0.2");
    ASSERT_TRUE(printer.waitListening());
    printer.setReply(Hex("A5 00 04 50 E0 2E 02"));
    // The last two would reach the printer if their parts were read as octal.
    for (const char* address : {"192.168.1.256", "10.0.0", "1.2.3.45678", "010.0.0.1", "127.0.0.02",
                                "127.000.000.002", "", "printer.local"}) {
        const Exchange exchange = RunExchange(QString::fromLatin1(address));
        EXPECT_EQ(exchange.result, -1) << address;
        EXPECT_EQ(exchange.received, -1) << address;
    }
    // A checkpoint the printer answers: the only frame it ever saw.
    const Exchange checkpoint = RunExchange(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(checkpoint.result, 0);
    EXPECT_EQ(checkpoint.reply, Hex("A5 00 04 50 E0 2E 02"));
    const auto frames = printer.frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].hex, testbed::hexText(kCleaning));
}

TEST(UdpExchange, TakesOneAnswerOrReportsNoneAfterTwoSeconds)
{
    testbed::SimPrinter printer("127.0.0.2");
    ASSERT_TRUE(printer.waitListening());
    const Bytes answer = Hex("A5 00 06 50 E0 2E 02 01 01");
    printer.setReply(answer);
    Exchange exchange = RunExchange(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(exchange.result, 0);
    EXPECT_EQ(exchange.received, static_cast<int>(answer.size()));
    EXPECT_EQ(exchange.reply, answer);

    // A printer that does not answer: still 0, nothing received.
    printer.setSilent();
    const auto start = std::chrono::steady_clock::now();
    exchange = RunExchange(QStringLiteral("127.0.0.2"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(exchange.result, 0);
    EXPECT_EQ(exchange.received, -1);
    EXPECT_GE(waited, std::chrono::milliseconds(1900));

    ASSERT_TRUE(printer.waitForLine("#2 silent"));
    for (const testbed::SimFrame& frame : printer.frames())
        EXPECT_EQ(frame.header, "ok");
}

}  // namespace
