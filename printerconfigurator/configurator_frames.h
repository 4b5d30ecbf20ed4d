#pragma once

// The command frames PrinterConfigurator sends: network settings (read and
// write) and maintenance (cleaning, alignment). Each is a printer command
// frame (command_frame.h) with the function's operation and body.

#include "command_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace configurator_frames {

using command_frame::kFunctionMaintenance;
using command_frame::kFunctionNetworkSettings;
using command_frame::makeFrame;

// Network settings: operation 0x02 reads items by tag, 0x03 writes them.
inline constexpr std::uint8_t kNetRead = 0x02;
inline constexpr std::uint8_t kNetWrite = 0x03;

// Item tags. The printer keeps one of two tag families, chosen by its answer
// to the connection-type query: family 0 adds 0x10 to every settings tag.
inline constexpr std::uint16_t kTagMode = 0x4000;         // then IP, mask, gateway, DNS 1, DNS 2, WINS 1, WINS 2
inline constexpr std::uint16_t kTagEnd = 0x400F;          // closes a write
inline constexpr std::uint16_t kTagConnectType = 0x6374;  // "ct"
inline constexpr std::uint16_t kTagFamilyZeroOffset = 0x10;
inline constexpr int kAddressCount = 7;

// The connection-type query.
inline constexpr auto kConnectTypeQuery =
    makeFrame(kFunctionNetworkSettings, kNetRead, std::array<std::uint8_t, 7>{0x00, 0x00, 0x01, 0x00, 0x01, 0x63, 0x74});
static_assert(kConnectTypeQuery.size() == 14);

// The settings read: eight tags, mode and the seven addresses.
inline constexpr std::size_t kSettingsReadSize = 28;
inline constexpr std::size_t kSettingsReadTagsOffset = 12;
constexpr std::array<std::uint8_t, kSettingsReadSize> SettingsReadFrame(int iface)
{
    std::array<std::uint8_t, kSettingsReadSize - command_frame::kHeaderSize> body{0x00, 0x00, 0x01, 0x00, 0x08};
    const std::uint16_t first = iface == 0 ? kTagMode + kTagFamilyZeroOffset : kTagMode;
    for (std::size_t i = 0; i <= kAddressCount; ++i) {
        const std::uint16_t tag = static_cast<std::uint16_t>(first + i);
        body[kSettingsReadTagsOffset - command_frame::kHeaderSize + 2 * i] = static_cast<std::uint8_t>(tag >> 8);
        body[kSettingsReadTagsOffset - command_frame::kHeaderSize + 2 * i + 1] = static_cast<std::uint8_t>(tag);
    }
    return makeFrame(kFunctionNetworkSettings, kNetRead, body);
}
static_assert(SettingsReadFrame(1)[2] == 0x19 && SettingsReadFrame(1)[26] == 0x40 && SettingsReadFrame(1)[27] == 0x07);
static_assert(SettingsReadFrame(0)[12] == 0x40 && SettingsReadFrame(0)[13] == 0x10);

// The settings write: an item count, then the mode item, seven address items
// and the closing item.
inline constexpr std::size_t kSettingsWriteSize = 75;
inline constexpr std::uint8_t kSettingsWriteItems = 9;
inline constexpr std::size_t kWriteItemCountOffset = 7;  // 2 bytes
inline constexpr std::size_t kWriteModeItemOffset = 9;   // tag, length 1, mode
inline constexpr std::size_t kWriteAddressItemsOffset = 14;  // 7 x (tag, length 4, address)
inline constexpr std::size_t kWriteAddressItemSize = 8;
inline constexpr std::size_t kWriteEndItemOffset = 70;   // tag, length 1, 0
inline constexpr std::size_t kWriteItemHeaderSize = 4;   // tag, length
static_assert(kWriteAddressItemsOffset == kWriteModeItemOffset + kWriteItemHeaderSize + 1);
static_assert(kWriteEndItemOffset == kWriteAddressItemsOffset + kAddressCount * kWriteAddressItemSize);
static_assert(kSettingsWriteSize == kWriteEndItemOffset + kWriteItemHeaderSize + 1);

// Replies to the network settings frames come in 64-byte USB packets, each
// of which may begin with a 5-byte header (0xA5 first). Without them, the
// body holds the function, the operation and four more bytes, then the
// items: a 2-byte tag, then the value's 2-byte length and the text value at
// offsets from the tag that depend on the tag.
inline constexpr std::size_t kReplyPacketSize = 64;
inline constexpr std::size_t kReplyPacketHeaderSize = 5;
inline constexpr std::size_t kReplyFirstItemOffset = 6;
struct ReplyItemLayout {
    std::size_t lengthOffset;
    std::size_t valueOffset;
};
inline constexpr ReplyItemLayout kModeItemLayout{16, 18};     // the mode and "ct" items
inline constexpr ReplyItemLayout kAddressItemLayout{12, 14};  // the address items

// Maintenance: cleaning, repeated cleaning, the alignment page and the
// alignment values.
inline constexpr std::uint8_t kMaintenanceCommand = 0x02;
inline constexpr std::uint8_t kMaintenanceAlignmentValues = 0x11;
inline constexpr auto kCleaning =
    makeFrame(kFunctionMaintenance, kMaintenanceCommand, std::array<std::uint8_t, 3>{0x01, 0x01, 0x01});
inline constexpr auto kRepeatedCleaning =
    makeFrame(kFunctionMaintenance, kMaintenanceCommand, std::array<std::uint8_t, 4>{0x01, 0x01, 0x12, 0x02});
inline constexpr auto kPrintAlignmentPage =
    makeFrame(kFunctionMaintenance, kMaintenanceCommand, std::array<std::uint8_t, 3>{0x01, 0x01, 0x43});
static_assert(kCleaning.size() == 10 && kRepeatedCleaning.size() == 11 && kPrintAlignmentPage.size() == 10);

// Alignment values: seven 4-byte big-endian signed numbers after a 4-byte
// lead; rows 1 to 6 count in units of 8, row 7 in units of 512.
inline constexpr int kAlignmentRows = 7;
inline constexpr std::size_t kAlignmentValuesSize = 39;
inline constexpr std::size_t kAlignmentNumbersOffset = 11;
inline constexpr int kAlignmentRowScale = 8;
inline constexpr int kAlignmentLastRowScale = 512;
constexpr std::array<std::uint8_t, kAlignmentValuesSize> AlignmentValuesFrame(const std::array<int, kAlignmentRows>& rows)
{
    std::array<std::uint8_t, kAlignmentValuesSize - command_frame::kHeaderSize> body{0x00, 0x00, 0x00, 0x0D};
    for (int r = 0; r < kAlignmentRows; ++r) {
        const int scale = r == kAlignmentRows - 1 ? kAlignmentLastRowScale : kAlignmentRowScale;
        const std::uint32_t number = static_cast<std::uint32_t>(rows[static_cast<std::size_t>(r)] * scale);
        const std::size_t at = kAlignmentNumbersOffset - command_frame::kHeaderSize + 4 * static_cast<std::size_t>(r);
        body[at] = static_cast<std::uint8_t>(number >> 24);
        body[at + 1] = static_cast<std::uint8_t>(number >> 16);
        body[at + 2] = static_cast<std::uint8_t>(number >> 8);
        body[at + 3] = static_cast<std::uint8_t>(number);
    }
    return makeFrame(kFunctionMaintenance, kMaintenanceAlignmentValues, body);
}
static_assert(AlignmentValuesFrame({-6, 0, 0, 0, 0, 0, 0})[11] == 0xFF &&
              AlignmentValuesFrame({-6, 0, 0, 0, 0, 0, 0})[14] == 0xD0);

}  // namespace configurator_frames
