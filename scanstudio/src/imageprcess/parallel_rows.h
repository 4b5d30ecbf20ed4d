#pragma once

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace Deskew {

// Runs work(begin, end) on consecutive bands of [0, rows), one per thread,
// each band at least `minRows` long; `threads` 0 uses every core. A band
// whose thread cannot be started runs on the calling thread. False when a
// band ran out of memory.
template <typename Work>
bool parallelRows(unsigned rows, unsigned threads, Work work, unsigned minRows = 16)
{
    std::atomic<bool> ok{true};
    auto band = [&](unsigned begin, unsigned end) {
        try {
            work(begin, end);
        } catch (const std::bad_alloc &) {
            ok = false;
        }
    };
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, std::max(1u, rows / std::max(1u, minRows)));
    if (threads <= 1) {
        band(0u, rows);
        return ok;
    }
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) {
        const unsigned begin = static_cast<unsigned>(static_cast<unsigned long long>(rows) * t / threads);
        const unsigned end = static_cast<unsigned>(static_cast<unsigned long long>(rows) * (t + 1) / threads);
        try {
            pool.emplace_back(band, begin, end);
        } catch (const std::system_error &) {
            band(begin, end);
        }
    }
    for (std::thread &thread : pool)
        thread.join();
    return ok;
}

} // namespace Deskew
