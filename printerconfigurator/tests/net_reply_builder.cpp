#include "net_reply_builder.h"

#include "configurator_frames.h"

#include <QByteArray>

namespace net_reply {

namespace {

using namespace configurator_frames;

Bytes Item(std::uint16_t tag, const ReplyItemLayout& layout, const std::string& value, std::uint8_t filler)
{
    Bytes item(layout.valueOffset, filler);
    item[0] = static_cast<std::uint8_t>(tag >> 8);
    item[1] = static_cast<std::uint8_t>(tag);
    item[layout.lengthOffset] = static_cast<std::uint8_t>(value.size() >> 8);
    item[layout.lengthOffset + 1] = static_cast<std::uint8_t>(value.size());
    item.insert(item.end(), value.begin(), value.end());
    return item;
}

}  // namespace

Bytes ModeItem(std::uint16_t tag, const std::string& value, std::uint8_t filler)
{
    return Item(tag, kModeItemLayout, value, filler);
}

Bytes AddressItem(std::uint16_t tag, const std::string& value, std::uint8_t filler)
{
    return Item(tag, kAddressItemLayout, value, filler);
}

Bytes ConnectTypeItem(const std::string& value)
{
    return Item(kTagConnectType, kModeItemLayout, value, 0);
}

Bytes Body(const std::vector<Bytes>& items)
{
    Bytes body = {command_frame::kFunctionNetworkSettings, kNetRead, 0x00, 0x00, 0x00, 0x01};
    static_assert(kReplyFirstItemOffset == 6);
    for (const Bytes& item : items)
        body.insert(body.end(), item.begin(), item.end());
    return body;
}

Bytes Packets(const Bytes& body)
{
    const std::size_t perPacket = kReplyPacketSize - kReplyPacketHeaderSize;
    const std::size_t packets = (body.size() + perPacket - 1) / perPacket;
    const std::size_t total = body.size() + packets * kReplyPacketHeaderSize;
    Bytes reply;
    for (std::size_t offset = 0; offset < body.size(); offset += perPacket) {
        const std::size_t rest = total - command_frame::kLengthFieldEnd;
        reply.insert(reply.end(), {command_frame::kStartByte, static_cast<std::uint8_t>(rest >> 8),
                                   static_cast<std::uint8_t>(rest), command_frame::kMarker[0],
                                   command_frame::kMarker[1]});
        const std::size_t end = std::min(body.size(), offset + perPacket);
        reply.insert(reply.end(), body.begin() + static_cast<std::ptrdiff_t>(offset),
                     body.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return reply;
}

Bytes Reply(const std::vector<Bytes>& items)
{
    return Packets(Body(items));
}

Bytes SettingsReply(int iface, const Settings& settings)
{
    const std::uint16_t family = iface == 0 ? kTagMode + kTagFamilyZeroOffset : kTagMode;
    std::vector<Bytes> items = {ModeItem(family, settings.mode)};
    for (std::size_t row = 0; row < settings.addresses.size(); ++row)
        items.push_back(AddressItem(static_cast<std::uint16_t>(family + row + 1), settings.addresses[row]));
    return Reply(items);
}

Bytes Join(std::initializer_list<Bytes> frames)
{
    Bytes joined;
    for (const Bytes& frame : frames)
        joined.insert(joined.end(), frame.begin(), frame.end());
    return joined;
}

Bytes Hex(const char* text)
{
    const QByteArray bytes = QByteArray::fromHex(QByteArray(text));
    return Bytes(bytes.begin(), bytes.end());
}

}  // namespace net_reply
