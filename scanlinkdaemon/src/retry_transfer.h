#pragma once

// Moving a buffer through calls that may take only part of it: the replies
// and scan records sent to the client, and the payloads written to page files.

#include <cstddef>
#include <sys/types.h>

inline constexpr int kTransferTries = 11;

// Moves the n bytes through step(first, count), which takes up to count bytes
// from first on and returns how many it took (0 or less: none). Each try
// resumes at the first byte not yet taken; a failed or short try counts as
// one of at most 11. True when every byte was taken.
template <class Step>
bool transferWithRetry(const void* buffer, size_t n, Step step)
{
    const char* bytes = static_cast<const char*>(buffer);
    size_t moved = 0;
    for (int tries = 0; moved < n && tries < kTransferTries; ++tries) {
        const ssize_t taken = step(bytes + moved, n - moved);
        if (taken > 0)
            moved += static_cast<size_t>(taken);
    }
    return moved == n;
}
