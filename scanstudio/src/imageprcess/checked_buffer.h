#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Deskew {

struct FreeBuffer
{
    void operator()(void *buffer) const { std::free(buffer); }
};

template <typename T>
using Buffer = std::unique_ptr<T[], FreeBuffer>;

// An uninitialised array of `count` trivial elements, or null (after
// `message` on standard error) when it is too large or memory is out. Page
// sized buffers ask for huge pages, which saves most of the page faults.
template <typename T>
Buffer<T> allocateOrReport(std::size_t count, const char *message)
{
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    void *memory = nullptr;
    if (count <= static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(T) - kHugePage) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes >= kHugePage) {
            memory = std::aligned_alloc(kHugePage, (bytes + kHugePage - 1) / kHugePage * kHugePage);
            if (memory != nullptr)
                madvise(memory, bytes, MADV_HUGEPAGE);
        } else {
            memory = std::malloc(bytes == 0 ? 1 : bytes);
        }
    }
    if (memory == nullptr)
        std::fputs(message, stderr);
    return Buffer<T>(static_cast<T *>(memory));
}

} // namespace Deskew
