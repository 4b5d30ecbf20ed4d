// The one retry loop behind every reply, scan record and page write: forced
// short and failed counts, each try resuming at the first byte not yet taken.

#include "retry_transfer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RetryCase {
    const char* name;
    size_t size;
    std::vector<long> counts;  // what successive tries take at most; -1 fails, 0 takes nothing
    bool complete;
    size_t tries;
};

void PrintTo(const RetryCase& c, std::ostream* out) { *out << c.name; }

class TransferWithRetry : public ::testing::TestWithParam<RetryCase> {};

TEST_P(TransferWithRetry, ResumesAtTheFirstByteNotTakenForElevenTriesAtMost)
{
    const RetryCase& c = GetParam();
    std::string buffer;
    for (size_t i = 0; i < c.size; ++i)
        buffer += static_cast<char>('a' + i % 26);
    std::string received;
    size_t tries = 0;
    const bool complete = transferWithRetry(buffer.data(), buffer.size(), [&](const char* first, size_t count) {
        const long limit = tries < c.counts.size() ? c.counts[tries] : c.counts.back();
        ++tries;
        if (limit <= 0)
            return static_cast<ssize_t>(limit);
        const size_t taken = std::min(count, static_cast<size_t>(limit));
        received.append(first, taken);
        return static_cast<ssize_t>(taken);
    });
    EXPECT_EQ(complete, c.complete);
    EXPECT_EQ(tries, c.tries);
    // What was taken is exactly the start of the buffer, once and in order.
    EXPECT_EQ(received, buffer.substr(0, received.size()));
    if (c.complete) {
        EXPECT_EQ(received.size(), buffer.size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Counts, TransferWithRetry,
    ::testing::Values(RetryCase{"AllAtOnce", 16, {16}, true, 1},
                      RetryCase{"GrowingPieces", 10, {1, 2, 3, 4}, true, 4},
                      RetryCase{"FailuresAndEmptyTriesCount", 12, {5, -1, 0, -1, 7}, true, 5},
                      RetryCase{"ElevenOneByteTries", 11, {1}, true, 11},
                      RetryCase{"TwelfthByteNeedsATwelfthTry", 12, {1}, false, 11},
                      RetryCase{"ElevenFailures", 4, {-1}, false, 11},
                      RetryCase{"TenFailuresThenAll", 4, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 4}, true, 11},
                      RetryCase{"NothingToMove", 0, {-1}, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
