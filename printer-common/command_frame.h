#pragma once

// The printer command frame, the one layout of every request sent to a printer
// over USB bulk transfers or UDP port 9300, and of the status reply's header:
//
//   offset 0  0xA5
//   offset 1  length of the rest of the frame (bytes after this field), u16 big-endian
//   offset 3  0x50 0xE0
//   offset 5  function
//   offset 6  operation
//   offset 7  body

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace command_frame {

inline constexpr std::uint8_t kStartByte = 0xA5;
inline constexpr std::uint8_t kMarker[2] = {0x50, 0xE0};

inline constexpr std::size_t kStartOffset = 0;
inline constexpr std::size_t kLengthOffset = 1;
inline constexpr std::size_t kMarkerOffset = 3;
inline constexpr std::size_t kFunctionOffset = 5;
inline constexpr std::size_t kOperationOffset = 6;
inline constexpr std::size_t kBodyOffset = 7;
inline constexpr std::size_t kHeaderSize = kBodyOffset;

// The length field counts everything after itself.
inline constexpr std::size_t kLengthFieldEnd = kLengthOffset + 2;
inline constexpr std::size_t kMaxFrameSize = kLengthFieldEnd + 0xFFFF;
inline constexpr std::size_t kMaxBodySize = kMaxFrameSize - kHeaderSize;

static_assert(kMarkerOffset == kLengthFieldEnd);
static_assert(kFunctionOffset == kMarkerOffset + sizeof kMarker);

enum Function : std::uint8_t {
    kFunctionStatus = 0x74,
    kFunctionNetworkSettings = 0xB2,
    kFunctionMaintenance = 0x2E,
};

// The UDP port on which a networked printer takes command frames.
inline constexpr std::uint16_t kUdpPort = 9300;

// Writes the header of a frame of frame.size() bytes; the body follows it.
template <typename Bytes>
constexpr void writeHeader(Bytes& frame, std::uint8_t function, std::uint8_t operation)
{
    const std::size_t rest = frame.size() - kLengthFieldEnd;
    frame[kStartOffset] = kStartByte;
    frame[kLengthOffset] = static_cast<std::uint8_t>(rest >> 8);
    frame[kLengthOffset + 1] = static_cast<std::uint8_t>(rest & 0xFF);
    frame[kMarkerOffset] = kMarker[0];
    frame[kMarkerOffset + 1] = kMarker[1];
    frame[kFunctionOffset] = function;
    frame[kOperationOffset] = operation;
}

// Builds a frame at compile time from a body of N bytes.
template <std::size_t N>
constexpr std::array<std::uint8_t, kHeaderSize + N> makeFrame(std::uint8_t function, std::uint8_t operation,
                                                              const std::array<std::uint8_t, N>& body)
{
    static_assert(N <= kMaxBodySize, "body too long for the 16-bit length field");
    std::array<std::uint8_t, kHeaderSize + N> frame{};
    writeHeader(frame, function, operation);
    for (std::size_t i = 0; i < N; ++i)
        frame[kBodyOffset + i] = body[i];
    return frame;
}

// The status query a networked printer answers with its status reply.
inline constexpr std::uint8_t kStatusQueryOperation = 0x08;
inline constexpr auto kStatusQuery =
    makeFrame(kFunctionStatus, kStatusQueryOperation, std::array<std::uint8_t, 8>{0x03, 0, 0, 0, 0, 0, 0, 0});
static_assert(kStatusQuery.size() == 15);
static_assert(kStatusQuery[1] == 0x00 && kStatusQuery[2] == 0x0C);

// Builds a frame at run time; an empty result when the body does not fit the
// length field.
std::vector<std::uint8_t> buildFrame(std::uint8_t function, std::uint8_t operation, const std::uint8_t* body,
                                     std::size_t bodyLength);

enum class HeaderCheck {
    Ok,
    TooShort,      // fewer bytes than the header
    BadStartByte,  // byte 0 is not 0xA5
    BadLength,     // the length field disagrees with the bytes received
    BadMarker,     // bytes 3-4 are not 0x50 0xE0
};

// Checks the header of `length` received bytes, the length field against the
// whole count included.
HeaderCheck checkHeader(const std::uint8_t* data, std::size_t length);

// A short English word for a check result, for logs.
const char* headerCheckName(HeaderCheck check);

// The value of the length field; the data must hold at least kLengthFieldEnd bytes.
std::size_t lengthField(const std::uint8_t* data);

}  // namespace command_frame
