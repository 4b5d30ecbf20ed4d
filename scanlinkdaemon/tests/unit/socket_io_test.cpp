#include "socket_io.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

class SocketPair : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    void TearDown() override
    {
        close(fds[0]);
        if (fds[1] >= 0)
            close(fds[1]);
    }
    int fds[2] = {-1, -1};
};

TEST_F(SocketPair, RecordArrivingInPiecesIsReceivedWhole)
{
    std::thread sender([this] {
        for (const char* piece : {"ab", "cdef", "gh"}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ASSERT_EQ(write(fds[1], piece, strlen(piece)), static_cast<ssize_t>(strlen(piece)));
        }
    });
    char record[8];
    EXPECT_EQ(receiveWhole(fds[0], record, sizeof record, 2000), sizeof record);
    EXPECT_EQ(std::string(record, 8), "abcdefgh");
    sender.join();
}

TEST_F(SocketPair, RecordCutShortByThePeerOrByTheTimeoutGivesTheBytesThatCame)
{
    ASSERT_EQ(write(fds[1], "abc", 3), 3);
    char record[8];
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(receiveWhole(fds[0], record, sizeof record, 200), 3u);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(200));

    ASSERT_EQ(write(fds[1], "de", 2), 2);
    close(fds[1]);
    fds[1] = -1;
    EXPECT_EQ(receiveWhole(fds[0], record, sizeof record, 5000), 2u);
}

TEST_F(SocketPair, SendGivesMinusOneWhenThePeerIsGone)
{
    close(fds[1]);
    fds[1] = -1;
    signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(serverTcpSendWithRetry(fds[0], "abcd", 4, 0), -1);
    signal(SIGPIPE, SIG_DFL);
}

}  // namespace
