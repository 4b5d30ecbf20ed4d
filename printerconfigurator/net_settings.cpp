#include "net_settings.h"

#include "udp_exchange.h"

#include <QStringList>

namespace {

using namespace configurator_frames;

enum class ItemKind { Unknown, Mode, Address, ConnectType };

ItemKind KindOf(std::uint16_t tag, int* row)
{
    if (tag == kTagConnectType)
        return ItemKind::ConnectType;
    const std::uint16_t family = tag & 0xFFF0;
    if (family != kTagMode && family != kTagMode + kTagFamilyZeroOffset)
        return ItemKind::Unknown;
    const int digit = tag & 0x000F;
    if (digit == 0)
        return ItemKind::Mode;
    if (digit > kAddressCount)
        return ItemKind::Unknown;
    *row = digit - 1;
    return ItemKind::Address;
}

int BigEndian16(const unsigned char* at)
{
    return (at[0] << 8) | at[1];
}

void PutBigEndian16(unsigned char* at, std::uint16_t value)
{
    at[0] = static_cast<unsigned char>(value >> 8);
    at[1] = static_cast<unsigned char>(value);
}

}  // namespace

QString& AddressOf(stIPInfo& info, int row)
{
    QString* const rows[kAddressCount] = {&info.ip,   &info.mask,  &info.gateway, &info.dns1,
                                          &info.dns2, &info.wins1, &info.wins2};
    return *rows[row];
}

const QString& AddressOf(const stIPInfo& info, int row)
{
    return AddressOf(const_cast<stIPInfo&>(info), row);
}

bool FormatIPData(const QString& address, unsigned char* frame, std::size_t offset)
{
    if (!IsIPValid(address))
        return false;
    const QStringList parts = address.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i)
        frame[offset + static_cast<std::size_t>(i)] = static_cast<unsigned char>(parts[i].toInt(nullptr, 10));
    return true;
}

bool WriteSendData(const stIPInfo& info, SettingsWriteFrame& frame)
{
    frame.fill(0);
    command_frame::writeHeader(frame, kFunctionNetworkSettings, kNetWrite);
    PutBigEndian16(&frame[kWriteItemCountOffset], kSettingsWriteItems);
    const std::uint16_t family = info.iface == 0 ? kTagFamilyZeroOffset : 0;

    PutBigEndian16(&frame[kWriteModeItemOffset], kTagMode + family);
    PutBigEndian16(&frame[kWriteModeItemOffset + 2], 1);
    frame[kWriteModeItemOffset + kWriteItemHeaderSize] = static_cast<std::uint8_t>(info.mode);

    bool allValid = true;
    for (int row = 0; row < kAddressCount; ++row) {
        const std::size_t at = kWriteAddressItemsOffset + static_cast<std::size_t>(row) * kWriteAddressItemSize;
        PutBigEndian16(&frame[at], static_cast<std::uint16_t>(kTagMode + family + row + 1));
        PutBigEndian16(&frame[at + 2], 4);
        if (!FormatIPData(AddressOf(info, row), frame.data(), at + kWriteItemHeaderSize))
            allValid = false;
    }

    PutBigEndian16(&frame[kWriteEndItemOffset], kTagEnd + family);
    PutBigEndian16(&frame[kWriteEndItemOffset + 2], 1);
    return allValid;
}

bool FormatRecvData(const unsigned char* reply, int length, QByteArray& body)
{
    body.clear();
    if (reply == nullptr || length <= 6 || reply[0] != command_frame::kStartByte)
        return false;
    body.reserve(length);
    for (int i = 0; i < length;) {
        if (i % kReplyPacketSize == 0 && reply[i] == command_frame::kStartByte) {
            i += kReplyPacketHeaderSize;
            continue;
        }
        body.append(static_cast<char>(reply[i]));
        ++i;
    }
    return true;
}

bool ParseRecvData(const unsigned char* reply, int length, stIPInfo& info)
{
    QByteArray bodyBytes;
    if (!FormatRecvData(reply, length, bodyBytes))
        return false;
    const auto* body = reinterpret_cast<const unsigned char*>(bodyBytes.constData());
    const int size = bodyBytes.size();

    for (int pos = kReplyFirstItemOffset; pos < size;) {
        if (size - pos < 2)
            return false;
        int row = 0;
        const ItemKind kind = KindOf(static_cast<std::uint16_t>(BigEndian16(body + pos)), &row);
        if (kind == ItemKind::Unknown)
            return false;
        const ReplyItemLayout layout = kind == ItemKind::Address ? kAddressItemLayout : kModeItemLayout;
        const int lengthOffset = static_cast<int>(layout.lengthOffset);
        const int valueOffset = static_cast<int>(layout.valueOffset);
        if (size - pos < valueOffset)
            return false;
        const int valueLength = BigEndian16(body + pos + lengthOffset);
        if (valueLength > kMaxReplyValueLength || size - pos - valueOffset < valueLength)
            return false;
        const auto* value = reinterpret_cast<const char*>(body + pos + valueOffset);
        const QString text = QString::fromLatin1(value, static_cast<int>(qstrnlen(value, static_cast<uint>(valueLength))));

        switch (kind) {
        case ItemKind::Mode:
            if (text == QLatin1String(kModeDhcp))
                info.mode = 0;
            else if (text == QLatin1String(kModeStatic))
                info.mode = 1;
            else
                return false;
            break;
        case ItemKind::Address:
            if (!IsIPValid(text))
                return false;
            AddressOf(info, row) = text;
            break;
        case ItemKind::ConnectType:
            info.iface = text.isEmpty() ? 0 : 1;
            break;
        case ItemKind::Unknown:
            return false;
        }
        pos += valueOffset + valueLength;
    }
    return true;
}
