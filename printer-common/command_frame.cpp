#include "command_frame.h"

namespace command_frame {

std::vector<std::uint8_t> buildFrame(std::uint8_t function, std::uint8_t operation, const std::uint8_t* body,
                                     std::size_t bodyLength)
{
    if (bodyLength > kMaxBodySize || (bodyLength > 0 && body == nullptr))
        return {};
    std::vector<std::uint8_t> frame(kHeaderSize + bodyLength);
    writeHeader(frame, function, operation);
    for (std::size_t i = 0; i < bodyLength; ++i)
        frame[kBodyOffset + i] = body[i];
    return frame;
}

std::size_t lengthField(const std::uint8_t* data)
{
    return (static_cast<std::size_t>(data[kLengthOffset]) << 8) | data[kLengthOffset + 1];
}

HeaderCheck checkHeader(const std::uint8_t* data, std::size_t length)
{
    if (data == nullptr || length < kHeaderSize)
        return HeaderCheck::TooShort;
    if (data[kStartOffset] != kStartByte)
        return HeaderCheck::BadStartByte;
    if (lengthField(data) != length - kLengthFieldEnd)
        return HeaderCheck::BadLength;
    if (data[kMarkerOffset] != kMarker[0] || data[kMarkerOffset + 1] != kMarker[1])
        return HeaderCheck::BadMarker;
    return HeaderCheck::Ok;
}

const char* headerCheckName(HeaderCheck check)
{
    switch (check) {
    case HeaderCheck::Ok:
        return "ok";
    case HeaderCheck::TooShort:
        return "short";
    case HeaderCheck::BadStartByte:
        return "bad-start-byte";
    case HeaderCheck::BadLength:
        return "bad-length";
    case HeaderCheck::BadMarker:
        return "bad-marker";
    }
    return "unknown";
}

}  // namespace command_frame
