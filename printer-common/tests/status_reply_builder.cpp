#include "status_reply_builder.h"

#include "status_reply.h"

#include <algorithm>

using namespace status_reply;

namespace {

void PutNumber(Bytes& out, std::uint64_t value, std::size_t width)
{
    for (std::size_t i = width; i-- > 0;)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

const std::string& TextOf(const StatusReplyContent& content, FieldId id)
{
    switch (id) {
    case FieldId::Vendor: return content.vendor;
    case FieldId::Product: return content.product;
    case FieldId::Serial: return content.serial;
    case FieldId::Firmware: return content.firmware;
    default: return content.text;
    }
}

}  // namespace

Bytes BuildStatusReply(const StatusReplyContent& content)
{
    Bytes out;
    for (const Field& field : kLayout) {
        switch (field.kind) {
        case FieldKind::Skipped: {
            Bytes bytes(field.size, 0);
            if (field.id == FieldId::Header)
                std::copy_n(content.header.begin(), std::min(content.header.size(), field.size),
                            bytes.begin());
            out.insert(out.end(), bytes.begin(), bytes.end());
            break;
        }
        case FieldKind::Text16:
        case FieldKind::Text8: {
            const std::string& text = TextOf(content, field.id);
            PutNumber(out, text.size(),
                      field.kind == FieldKind::Text16 ? kText16LengthSize : kText8LengthSize);
            out.insert(out.end(), text.begin(), text.end());
            break;
        }
        case FieldKind::StatusCode:
            PutNumber(out, content.status, kStatusCodeSize);
            break;
        case FieldKind::CodeList: {
            const auto& codes = field.id == FieldId::Errors ? content.errors : content.warnings;
            PutNumber(out, codes.size(), kCountSize);
            for (unsigned code : codes)
                PutNumber(out, code, kCodeSize);
            break;
        }
        case FieldKind::SupplyRecords:
            PutNumber(out, content.supplies.size(), kCountSize);
            for (const SupplyRecord& record : content.supplies) {
                PutNumber(out, record.type, kSupplyTypeSize);
                PutNumber(out, record.data.size(), kSupplyLengthSize);
                out.insert(out.end(), record.data.begin(), record.data.end());
            }
            break;
        }
    }
    return out;
}

SupplyRecord NumberSupply(unsigned type, std::uint64_t value, std::size_t width)
{
    SupplyRecord record{type, {}};
    PutNumber(record.data, value, width);
    return record;
}

SupplyRecord TextSupply(unsigned type, const std::string& text)
{
    return {type, Bytes(text.begin(), text.end())};
}

StatusReplyContent SampleStatusReply()
{
    StatusReplyContent content;
    content.header = {0xA5, 0x00, 0x4F, 0x50, 0xE0, 0x74, 0x08};
    content.vendor = "Taliro";
    content.product = "Taliro TX 560MDW";
    content.serial = "ABC123";
    content.status = 0x10;
    content.firmware = "1.0.3";
    content.errors = {0x1106, 0x11A0};
    content.warnings = {0x110D};
    content.supplies = {NumberSupply(kSupplyRemainingToner, 9950, 2),
                        TextSupply(kSupplySerialNumber, "S001")};
    return content;
}
