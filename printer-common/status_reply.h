#pragma once

// Layout of the status reply a printer sends, as handed to the parser: seven
// header bytes (the UDP datagram's own, or seven zero bytes ahead of the USB
// control data), then the fields below. Every number is big-endian.

#include <cstddef>
#include <iterator>

namespace status_reply {

enum class FieldKind {
    Skipped,        // `size` bytes that are not interpreted
    Text16,         // 2-byte length, then that many bytes of text
    Text8,          // 1-byte length, then that many bytes of text
    StatusCode,     // 1 byte
    CodeList,       // 1-byte count, then that many 2-byte codes
    SupplyRecords,  // 1-byte count, then that many supply records
};

enum class FieldId {
    None,
    Header,
    Vendor,
    Product,
    Serial,
    Status,
    Firmware,
    UnnamedText,
    Errors,
    Warnings,
    Supplies,
};

struct Field {
    FieldKind kind;
    FieldId id;
    std::size_t size;  // Skipped: the byte count
};

// Parser buffers; each keeps one byte for the terminating NUL.
inline constexpr std::size_t kNameBufferSize = 261;      // vendor, product, serial
inline constexpr std::size_t kVersionBufferSize = 256;   // firmware version
inline constexpr std::size_t kSupplySerialBufferSize = 65;
// At most this many bytes of one supply record's data are handed on.
inline constexpr std::size_t kSupplyDataCapacity = 65;

inline constexpr std::size_t kHeaderSize = 7;
inline constexpr std::size_t kText16LengthSize = 2;
inline constexpr std::size_t kText8LengthSize = 1;
inline constexpr std::size_t kStatusCodeSize = 1;
inline constexpr std::size_t kCountSize = 1;
inline constexpr std::size_t kCodeSize = 2;
inline constexpr std::size_t kSupplyTypeSize = 2;
inline constexpr std::size_t kSupplyLengthSize = 1;

inline constexpr Field kLayout[] = {
    {FieldKind::Skipped, FieldId::Header, kHeaderSize},
    {FieldKind::Skipped, FieldId::None, 1},
    {FieldKind::Skipped, FieldId::None, 2},
    {FieldKind::Skipped, FieldId::None, 2},
    {FieldKind::Text16, FieldId::Vendor, 0},
    {FieldKind::Text16, FieldId::Product, 0},
    {FieldKind::Text16, FieldId::Serial, 0},
    {FieldKind::Skipped, FieldId::None, 2},
    {FieldKind::StatusCode, FieldId::Status, 0},
    {FieldKind::Text8, FieldId::Firmware, 0},
    {FieldKind::Text8, FieldId::UnnamedText, 0},
    {FieldKind::CodeList, FieldId::Errors, 0},
    {FieldKind::CodeList, FieldId::Warnings, 0},
    {FieldKind::Skipped, FieldId::None, 1},
    {FieldKind::Skipped, FieldId::None, 2},
    {FieldKind::Skipped, FieldId::None, 2},
    {FieldKind::SupplyRecords, FieldId::Supplies, 0},
};

// Supply record types; any other type is skipped.
enum SupplyType : unsigned long {
    kSupplySerialNumber = 0x0000,
    kSupplyTonerType = 0x0001,
    kSupplyRemainingToner = 0x1000,
    kSupplyWasteToner = 0x1001,
    kSupplyOPCRotation = 0x1002,
    kSupplyNumberOfPages = 0x1003,
    kSupplyNumberOfPrint = 0x1004,
    kSupplyPrintDotsCount = 0x1100,
    kSupplyPrinterNumOfPages = 0x1101,
    kSupplyPrinterNumOfPrint = 0x1102,
};

// Bytes a field takes when its texts, lists and records are empty.
constexpr std::size_t MinimumSize(const Field& field)
{
    switch (field.kind) {
    case FieldKind::Skipped: return field.size;
    case FieldKind::Text16: return kText16LengthSize;
    case FieldKind::Text8: return kText8LengthSize;
    case FieldKind::StatusCode: return kStatusCodeSize;
    case FieldKind::CodeList:
    case FieldKind::SupplyRecords: return kCountSize;
    }
    return 0;
}

// Offset of a field in a reply whose variable fields before it are empty.
constexpr std::size_t MinimumOffsetOf(FieldId id)
{
    std::size_t offset = 0;
    for (const Field& field : kLayout) {
        if (field.id == id)
            return offset;
        offset += MinimumSize(field);
    }
    return offset;
}

// Size of a reply whose texts, lists and records are all empty.
constexpr std::size_t MinimumReplySize()
{
    std::size_t total = 0;
    for (const Field& field : kLayout)
        total += MinimumSize(field);
    return total;
}

static_assert(MinimumOffsetOf(FieldId::Vendor) == 12, "vendor length sits at bytes 12-13");
static_assert(MinimumOffsetOf(FieldId::Status) == 20);
static_assert(MinimumOffsetOf(FieldId::Supplies) == 30);
static_assert(MinimumReplySize() == 31);
static_assert(std::size(kLayout) == 17);

}  // namespace status_reply
