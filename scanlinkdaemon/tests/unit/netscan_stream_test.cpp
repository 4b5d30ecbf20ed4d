// The data stream reader and the HTTP answer reader on one end of a socket
// pair, the scanner's bytes written to the other.

#include "netscan_protocol.h"
#include "netscan_socket.h"
#include "netscan_stream.h"
#include "scan_protocol.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class ScannerPeer : public ::testing::Test {
protected:
    void SetUp() override
    {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
        daemonSide = pair[0];
        scannerSide = pair[1];
    }
    void TearDown() override
    {
        if (isOpen(daemonSide))
            close(daemonSide);
        if (scannerSide >= 0)
            close(scannerSide);
    }

    void send(const std::string& bytes)
    {
        ASSERT_EQ(write(scannerSide, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void closeScanner()
    {
        close(scannerSide);
        scannerSide = -1;
    }
    static bool isOpen(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }
    // The bytes sent to the daemon's end that it has not read yet.
    int queuedBytes() const
    {
        int queued = 0;
        return ioctl(daemonSide, FIONREAD, &queued) == 0 ? queued : 0;
    }

    int daemonSide = -1;
    int scannerSide = -1;
};

using BlockReader = ScannerPeer;

TEST_F(BlockReader, ClosesTheDataConnectionOnEveryPathThatEndsTheJob)
{
    struct Case {
        const char* what;
        std::string stream;
        bool closeAfter;
        int result;
        int32_t status;
        size_t size;
        bool connectionOpen;
    };
    const Case cases[] = {
        {"new page", std::string(kNewFileHeader) + "PAGEH 000002     \nxy", false, 0, 9, 0, true},
        {"data", "DATA  000003     \nabc", false, 0, 0, 3, true},
        {"empty data", "DATA  000000     \n", false, 0, 0, 0, true},
        {"job done", kJobDoneHeader, false, 5, 1, 0, false},
        {"job cancelled", kJobCancelHeader, false, 2, 4, 0, false},
        {"cut header", "DATA  0000", true, 9, 0, 0, false},
        {"cut payload", "DATA  000003     \nab", true, 9, 0, 0, false},
        {"cut page header", std::string(kNewFileHeader) + "PAGEH 0", true, 9, 0, 0, false},
        {"cut page payload", std::string(kNewFileHeader) + "PAGEH 000002     \nx", true, 9, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        send(c.stream);
        if (c.closeAfter)
            closeScanner();
        int32_t status = 77;
        std::vector<uint8_t> data;
        size_t size = 77;
        EXPECT_EQ(vuro_tcp_ScanRecord(daemonSide, status, data, size), c.result);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(isOpen(daemonSide), c.connectionOpen);
    }
}

TEST_F(BlockReader, ReusesItsBufferAndGrowsItOnlyForALargerBlock)
{
    send("DATA  000010     \n0123456789DATA  000004     \nabcdDATA  000012     \nABCDEFGHIJKL");
    std::vector<uint8_t> data;
    int32_t status = 0;
    size_t size = 0;
    const std::pair<std::string, size_t> blocks[] = {{"0123456789", 10}, {"abcd", 10}, {"ABCDEFGHIJKL", 12}};
    for (const auto& block : blocks) {
        ASSERT_EQ(vuro_tcp_ScanRecord(daemonSide, status, data, size), 0);
        EXPECT_EQ(std::string(data.begin(), data.begin() + static_cast<long>(size)), block.first);
        EXPECT_EQ(data.size(), block.second);
    }
}

TEST_F(BlockReader, JobHeaderIsReadWithWhatItAnnounces)
{
    send("JOBHEAD 000004     \nJJJJDATA  000001     \nz");
    EXPECT_TRUE(readJobHeader(daemonSide));
    int32_t status = 0;
    std::vector<uint8_t> data;
    size_t size = 0;
    EXPECT_EQ(vuro_tcp_ScanRecord(daemonSide, status, data, size), 0);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(data[0], 'z');

    send("JOBHEAD 000004     \nJJ");
    closeScanner();
    EXPECT_FALSE(readJobHeader(daemonSide));
}

using HttpAnswerReader = ScannerPeer;

TEST_F(HttpAnswerReader, StopsAtTheContentLengthTheCloseTheTimeOutOrAFullBuffer)
{
    using Clock = std::chrono::steady_clock;
    const std::string complete = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK";
    struct Case {
        const char* what;
        std::string answer;
        bool closeAfter;
        bool received;
        std::string expected;
        bool waitsForTimeOut;
        std::string later;  // sent once the reader took the answer; left unread
    };
    const Case cases[] = {
        {"held open after its length", complete, false, true, complete, false, "HTTP/1.1 200 OK"},
        {"closed after its length", complete, true, true, complete, false, ""},
        {"held open without a length", "HTTP/1.1 200 OK\r\n\r\n2", false, true, "HTTP/1.1 200 OK\r\n\r\n2", true, ""},
        {"held open short of its length", complete.substr(0, complete.size() - 1), false, true,
         complete.substr(0, complete.size() - 1), true, ""},
        {"closed without an answer", "", true, true, "", false, ""},
        {"nothing within the time-out", "", false, false, "", true, ""},
        {"more than the buffer", std::string(kHttpAnswerCapacity + 100, 'x'), false, true,
         std::string(kHttpAnswerCapacity, 'x'), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        send(c.answer);
        if (c.closeAfter)
            closeScanner();
        std::string answer = "stale";
        // Long enough that a reader still waiting after the length sees the later bytes.
        const int timeoutMs = c.later.empty() ? 300 : kScannerTimeoutMs;
        const auto begin = Clock::now();
        std::future<bool> received =
            std::async(std::launch::async, [&] { return receiveHttpAnswer(daemonSide, answer, timeoutMs); });
        if (!c.later.empty()) {
            // The later bytes come once the reader has taken all there was.
            while (queuedBytes() > 0 && received.wait_for(std::chrono::milliseconds(1)) == std::future_status::timeout)
                continue;
            send(c.later);
        }
        EXPECT_EQ(received.get(), c.received);
        EXPECT_EQ(answer, c.expected);
        if (c.waitsForTimeOut) {
            EXPECT_GE(Clock::now() - begin, std::chrono::milliseconds(290));
        }
        if (!c.later.empty()) {
            std::string unread(c.later.size() + 1, '\0');
            const ssize_t got = recv(daemonSide, unread.data(), unread.size(), MSG_DONTWAIT);
            unread.resize(got > 0 ? static_cast<size_t>(got) : 0);
            EXPECT_EQ(unread, c.later);
        }
    }
}

TEST_F(BlockReader, ExactReceiveGivesUpAtOnceWhenTheScannerCloses)
{
    send("abc");
    closeScanner();
    char buffer[8];
    EXPECT_EQ(vuro_tcp_recv_with_retry(daemonSide, buffer, sizeof buffer), -1);
}

using RequestSender = ScannerPeer;

TEST_F(RequestSender, AScannerThatClosedFailsTheSendWithoutASignal)
{
    closeScanner();
    // SIGPIPE would end this process here.
    EXPECT_FALSE(sendToScanner(daemonSide, "GET / HTTP/1.1\r\n\r\n"));
}

}  // namespace
