#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

namespace Deskew {

// An array of `count` elements, or null (after `message` on standard error)
// when it is too large or memory is out.
template <typename T>
std::unique_ptr<T[]> allocateOrReport(std::size_t count, const char *message)
{
    std::unique_ptr<T[]> buffer;
    if (count <= static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(T))
        buffer.reset(new (std::nothrow) T[count]);
    if (!buffer)
        std::fputs(message, stderr);
    return buffer;
}

} // namespace Deskew
