// The page write loop with forced short counts: each call resumes at the
// first byte not yet written, and 11 calls are the most a piece gets.

#include "WriteRetry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct WriteCase {
    const char *name;
    std::size_t length;
    std::vector<long> counts;  // what successive calls write at most; 0 or less writes nothing
    bool written;
    std::size_t calls;
};

TEST(WriteWithRetry, ResumesAtTheFirstUnwrittenByteForElevenCallsAtMost)
{
    const WriteCase cases[] = {
        {"whole piece at once", 12, {12}, true, 1},
        {"short writes", 12, {5, 0, 4, -1, 3}, true, 5},
        {"eleven one-byte writes", 11, {1}, true, 11},
        {"a twelfth byte needs a twelfth call", 12, {1}, false, 11},
        {"failing writes", 3, {0}, false, 11},
    };
    for (const WriteCase &c : cases) {
        std::string piece;
        for (std::size_t i = 0; i < c.length; ++i)
            piece += static_cast<char>('A' + i);
        std::string file;
        std::size_t calls = 0;
        const bool written = writeWithRetry(reinterpret_cast<const unsigned char *>(piece.data()), piece.size(),
                                            [&](const unsigned char *first, std::size_t count) {
                                                const long limit = c.counts[std::min(calls, c.counts.size() - 1)];
                                                ++calls;
                                                if (limit <= 0)
                                                    return static_cast<long>(limit);
                                                const std::size_t wrote = std::min(count, static_cast<std::size_t>(limit));
                                                file.append(reinterpret_cast<const char *>(first), wrote);
                                                return static_cast<long>(wrote);
                                            });
        EXPECT_EQ(written, c.written) << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
        // The file holds the start of the piece, each byte once and in order.
        EXPECT_EQ(file, piece.substr(0, file.size())) << c.name;
    }
}

}  // namespace
