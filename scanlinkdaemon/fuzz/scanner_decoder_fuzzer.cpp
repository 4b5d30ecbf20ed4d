// Feeds arbitrary bytes, as a USB scanner could send them, to the decoders of
// responses, scan record headers and string descriptors. The first byte picks
// the decoder (and the command type or the text buffer's size); the rest is
// what the read brought, at most the 200 bytes a read asks for.

#include "scanner_protocol.h"
#include "usbfs_transport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void response(const uint8_t* bytes, size_t size, uint8_t selector)
{
    uint8_t buffer[kResponseBufferSize] = {};
    std::memcpy(buffer, bytes, size);
    const auto type = static_cast<CommandType>(selector % 9);
    const int result = decodeResponse(buffer, static_cast<int>(size), type);
    check(result == kSaneGood || result == kSaneDeviceBusy || result == kSaneIoError || result == kSaneNoMemory);
    if (size < sizeof(ResCommon) || buffer[0] != kFrameStart)
        check(result == kSaneIoError);
}

void record(const uint8_t* bytes, size_t size)
{
    uint8_t buffer[kResponseBufferSize] = {};
    std::memcpy(buffer, bytes, size);
    const ScanRecordHeader header = decodeScanRecord(buffer, static_cast<int>(size));
    if (header.kind == ScanRecordHeader::Status && header.status == SCAN_STATUS_OPERATION_CONTINUOUS)
        check(header.dataSize >= kScanRecordBodySize && header.dataLength == header.dataSize - kScanRecordBodySize);
    else
        check(header.dataLength == 0);
    const int result = scanStatusResult(header.status);
    check(result >= kSaneGood && result <= kSaneNoMemory);
}

void stringDescriptor(const uint8_t* bytes, size_t size, uint8_t selector)
{
    // Exactly the bytes that came, so that a read past them is caught.
    const std::unique_ptr<uint8_t[]> descriptor(new uint8_t[size > 0 ? size : 1]);
    if (size > 0)
        std::memcpy(descriptor.get(), bytes, size);
    const size_t textSize = selector % 64;
    const std::unique_ptr<char[]> text(new char[textSize > 0 ? textSize : 1]);
    const int result = asciiFromStringDescriptor(descriptor.get(), static_cast<int>(size), text.get(), textSize);
    check(result == kMalformedStringDescriptor || result == kShortStringDescriptor ||
          (result >= 0 && (textSize == 0 || (static_cast<size_t>(result) < textSize && text[result] == '\0'))));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t selector = data[0];
    const uint8_t* bytes = data + 1;
    const size_t received = std::min<size_t>(size - 1, kResponseBufferSize);
    switch (selector % 3) {
    case 0:
        response(bytes, received, selector / 3);
        break;
    case 1:
        record(bytes, received);
        break;
    default:
        stringDescriptor(bytes, std::min<size_t>(size - 1, 255), selector / 3);
        break;
    }
    return 0;
}
