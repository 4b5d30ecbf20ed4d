#pragma once

#include <algorithm>
#include <thread>
#include <vector>

namespace Deskew {

// Runs work(begin, end) on consecutive bands of [0, rows), one per thread,
// each band at least `minRows` long. `threads` 0 uses every core.
template <typename Work>
void parallelRows(unsigned rows, unsigned threads, Work work, unsigned minRows = 16)
{
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, std::max(1u, rows / std::max(1u, minRows)));
    if (threads <= 1) {
        work(0u, rows);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) {
        const unsigned begin = static_cast<unsigned>(static_cast<unsigned long long>(rows) * t / threads);
        const unsigned end = static_cast<unsigned>(static_cast<unsigned long long>(rows) * (t + 1) / threads);
        pool.emplace_back([=] { work(begin, end); });
    }
    for (std::thread &thread : pool)
        thread.join();
}

} // namespace Deskew
