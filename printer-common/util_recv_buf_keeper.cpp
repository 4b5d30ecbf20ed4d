#include "util_recv_buf_keeper.h"

#include <algorithm>
#include <cstring>

bool UtilRecvBufKeeper::CheckRecvBufChange(const unsigned char* buf, unsigned long len)
{
    const std::size_t kept = std::min<std::size_t>(len, kCapacity);
    if (kept == m_len && (kept == 0 || std::memcmp(buf, m_buf, kept) == 0))
        return false;
    if (kept > 0)
        std::memcpy(m_buf, buf, kept);
    m_len = kept;
    return true;
}
