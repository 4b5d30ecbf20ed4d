#pragma once

#include <cstddef>

// Writes a piece of a page through step(first, count), which writes up to
// count bytes from first on and returns how many it wrote (0 or less: none).
// Each call resumes at the first byte not yet written; at most 11 calls in
// all. True when the whole piece was written.
template <class Step>
bool writeWithRetry(const unsigned char *data, std::size_t length, Step step)
{
    constexpr int kWriteCalls = 11;
    std::size_t written = 0;
    for (int call = 0; call < kWriteCalls && written < length; ++call) {
        const auto wrote = step(data + written, length - written);
        if (wrote > 0)
            written += static_cast<std::size_t>(wrote);
    }
    return written == length;
}
