// Feeds arbitrary bytes to the network settings reply parser and checks what
// a parse gives: only valid addresses, a known mode and tag family.

#include "net_settings.h"
#include "udp_exchange.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const int length = static_cast<int>(size);
    QByteArray body;
    if (FormatRecvData(data, length, body) && body.size() > length)
        __builtin_trap();

    stIPInfo info;
    ParseRecvData(data, length, info);
    if (info.mode != 0 && info.mode != 1)
        __builtin_trap();
    if (info.iface != kIfaceUnknown && info.iface != 0 && info.iface != 1)
        __builtin_trap();
    for (int row = 0; row < configurator_frames::kAddressCount; ++row) {
        const QString& address = AddressOf(info, row);
        if (!address.isEmpty() && !IsIPValid(address))
            __builtin_trap();
    }
    return 0;
}
