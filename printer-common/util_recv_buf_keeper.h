#pragma once

#include <cstddef>

// The last status reply a worker kept, for telling a changed reply apart.
class UtilRecvBufKeeper {
public:
    static constexpr std::size_t kCapacity = 2048;

    // False when the reply equals the kept one (two empty replies included);
    // otherwise keeps the reply and returns true. Only the first kCapacity
    // bytes of a longer reply count.
    bool CheckRecvBufChange(const unsigned char* buf, unsigned long len);

private:
    std::size_t m_len = 0;
    unsigned char m_buf[kCapacity] = {};
};
