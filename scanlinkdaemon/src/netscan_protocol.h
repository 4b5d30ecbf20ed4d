#pragma once

// The network scanner's services as the daemon uses them: its ports, the
// request lines of its HTTP service, the headers of the page data stream and
// the framing of the attribute queries. The daemon, the simulated scanner,
// the tests and the fuzz target all use these definitions.

#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr int kScannerHttpPort = 80;
inline constexpr int kScannerDataPort = 2080;
inline constexpr int kScannerAttributePort = 5000;

// Request lines of the HTTP service. Scan start and abort share theirs; the
// abort's body is "SCANTYPE=4".
inline constexpr char kScanPostRequestLine[] = "POST /netscan/post HTTP/1.1";
inline constexpr char kAdfStatusRequestLine[] = "POST /cgi-bin/dynamic/printer/netscan/adfStatus.html HTTP/1.1";
inline constexpr char kCapabilitiesRequestLine[] = "GET /netscan/capabilites HTTP/1.1";
inline constexpr char kAbortBody[] = "SCANTYPE=4";

// The SCANSOURCE form value.
enum TCPScanSource : int32_t {
    SCAN_SOURCE_ADF = 0,
    SCAN_SOURCE_FLATBED = 7,
};

// The number after "RESULT=" in the scan start's answer.
enum ResultScanPost : int32_t {
    RESULT_SUCCESS = 0,
    RESULT_BADFIELD = 1,
    RESULT_DEVICEBUSY = 91,
};

// HTTP answers and the scan start's answer are collected in buffers of this size.
inline constexpr size_t kHttpAnswerCapacity = 8192;

// The page data stream. A job header of 20 bytes opens it; then come blocks,
// each beginning with an 18-byte header. Sizes are decimal numbers in six-byte fields.
inline constexpr size_t kStreamSizeWidth = 6;
inline constexpr size_t kJobHeaderSize = 20;
inline constexpr size_t kJobHeaderSizeAt = 8;
inline constexpr size_t kBlockHeaderSize = 18;  // page headers have this size and layout too
inline constexpr size_t kBlockHeaderSizeAt = 6;
inline constexpr char kNewFileHeader[] = "NEWFILE          \n";
inline constexpr char kJobDoneHeader[] = "JOBDONE          \n";
inline constexpr char kJobCancelHeader[] = "JOBCANCEL        \n";
static_assert(sizeof kNewFileHeader == kBlockHeaderSize + 1, "NEWFILE header size");
static_assert(sizeof kJobDoneHeader == kBlockHeaderSize + 1, "JOBDONE header size");
static_assert(sizeof kJobCancelHeader == kBlockHeaderSize + 1, "JOBCANCEL header size");
static_assert(kJobHeaderSizeAt + kStreamSizeWidth <= kJobHeaderSize, "job header size field");
static_assert(kBlockHeaderSizeAt + kStreamSizeWidth <= kBlockHeaderSize, "block header size field");

// The number in a size field: its leading digits. A sign, a blank or any
// other byte ends it, and nothing past the six bytes is read, so it never
// exceeds 999999.
inline uint32_t streamSize(const uint8_t* field)
{
    uint32_t size = 0;
    for (size_t i = 0; i < kStreamSizeWidth && field[i] >= '0' && field[i] <= '9'; ++i)
        size = size * 10 + static_cast<uint32_t>(field[i] - '0');
    return size;
}

enum class BlockKind { NewPage, JobDone, JobCancelled, Data };

// What an 18-byte block header announces; any header but the three fixed ones is a data block.
inline BlockKind blockKind(const uint8_t* header)
{
    if (std::memcmp(header, kNewFileHeader, kBlockHeaderSize) == 0)
        return BlockKind::NewPage;
    if (std::memcmp(header, kJobDoneHeader, kBlockHeaderSize) == 0)
        return BlockKind::JobDone;
    if (std::memcmp(header, kJobCancelHeader, kBlockHeaderSize) == 0)
        return BlockKind::JobCancelled;
    return BlockKind::Data;
}

// Attribute queries: a 4-byte big-endian length, then that many bytes, both ways.
inline constexpr size_t kAttributeLengthSize = 4;
// The longest attribute answer the daemon takes.
inline constexpr uint32_t kMaxAttributeAnswer = 8192;

inline uint32_t readBigEndian32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

inline void writeBigEndian32(uint32_t value, uint8_t* bytes)
{
    bytes[0] = static_cast<uint8_t>(value >> 24);
    bytes[1] = static_cast<uint8_t>(value >> 16);
    bytes[2] = static_cast<uint8_t>(value >> 8);
    bytes[3] = static_cast<uint8_t>(value);
}
