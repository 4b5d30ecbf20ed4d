#pragma once

// The frames of the USB scanner command protocol on the bulk endpoints:
// command and response headers, the scan lock command and the scan record.
// All multi-byte fields are little-endian. The daemon, its tests, the
// simulated scanner and the fuzz target use these definitions and nothing else.

#include <cstddef>
#include <cstdint>

inline constexpr uint8_t kFrameStart = 0x1B;
inline constexpr uint8_t kCommandFlags = 0x80;

// Command classes and codes.
inline constexpr uint8_t kScanClass = 0x53;
inline constexpr uint8_t kPowerClass = 0x44;
inline constexpr uint8_t kScanStartCode = 0x01;
inline constexpr uint8_t kScanRecordCode = 0x02;
inline constexpr uint8_t kDevicePropertiesCode = 0x03;
inline constexpr uint8_t kAdfStatusCode = 0x04;
inline constexpr uint8_t kScanLockCode = 0x05;
inline constexpr uint8_t kScanUnlockCode = 0x06;
inline constexpr uint8_t kGetScanSizesCode = 0x0A;
inline constexpr uint8_t kScanAbortCode = 0x0F;
inline constexpr uint8_t kPowerOnCode = 0x04;  // in the power class

// The response a command expects.
enum CommandType : int32_t {
    CMD_TYPE_SCAN_START = 0,
    CMD_TYPE_SCAN_DEVICE_PROPERTIES = 1,
    CMD_TYPE_SCAN_ADF_STATUS = 2,
    CMD_TYPE_SCAN_LOCK = 3,
    CMD_TYPE_SCAN_UNLOCK = 4,
    CMD_TYPE_SCAN_GET_SCAN_SIZES = 5,
    CMD_TYPE_SCAN_ABORT = 6,
    CMD_TYPE_SCAN_POWER_ON_COMMAND = 7,
    CMD_TYPE_SCAN_RECORD = 8,
};

enum ScanSource : uint8_t {
    SCAN_SOURCE_AUTO = 0,
    SCAN_SOURCE_FLATBED_SINGLE_PAGE = 1,
    SCAN_SOURCE_FLATBED_MULTI_PAGE = 2,
    SCAN_SOURCE_ADF_MULTI_PAGE = 3,
    SCAN_SOURCE_ADF_SINGLE_PAGE = 4,
};

// The header of every command, response and scan record.
struct ReqCommon {
    uint8_t cmdStart;
    uint8_t cmdClass;
    uint8_t cmdCode;
    uint8_t subCmdCode;
    uint16_t dataSize;  // bytes after the header
    uint8_t flags;      // 0x80 in a command; the response code in a response
    uint8_t reserved;   // the ADF status in the ADF status response
};
using ResCommon = ReqCommon;

// The scan lock command: 56 bytes in memory, the first 55 sent.
struct ReqScanLock {
    ReqCommon header;
    uint8_t depth;
    uint8_t compressionMode;
    uint8_t compressionLevel;
    uint8_t filter;
    uint32_t width;
    uint32_t height;
    uint32_t xOffset;
    uint32_t yOffset;
    uint16_t xResolution;
    uint16_t yResolution;
    uint8_t scanSource;
    uint8_t duplex;
    uint8_t mirror;
    uint8_t negative;
    uint8_t useColorDropout;
    uint8_t colorDropoutRed;
    uint8_t colorDropoutBlue;
    uint8_t colorDropoutGreen;
    uint8_t colorDropoutThreshold;
    uint8_t backgroundRemoval;
    uint8_t backgroundRemovalParam;
    uint8_t edit;
    uint8_t descreen;
    uint8_t brightness;
    uint8_t contrast;
    uint8_t originalDocumentSource;
    uint8_t sharpen;
    uint8_t colorTemperature;
    uint8_t colorSaturation;
    uint8_t useColorBalance;
    uint8_t colorBalanceRed;
    uint8_t colorBalanceBlue;
    uint8_t colorBalanceGreen;
};
inline constexpr int kScanLockSentSize = 55;
inline constexpr uint16_t kScanLockDataSize = kScanLockSentSize - sizeof(ReqCommon);

// Every response is read into one buffer of this size.
inline constexpr int kResponseBufferSize = 200;

// A scan record: the header 1B 53 02, then the scan status and 22 bytes
// that are not used; status-0 records are followed by dataSize - 23 bytes of
// image data as a transfer of their own.
inline constexpr size_t kScanStatusOffset = 8;
inline constexpr uint16_t kScanRecordBodySize = 23;
inline constexpr size_t kScanRecordSize = 8 + kScanRecordBodySize;

// The power-on response's warm-up time and the properties response's length.
inline constexpr size_t kTimeToScanOffset = 8;
inline constexpr size_t kDevicePropertiesSize = 24;

static_assert(sizeof(ReqCommon) == 8, "ReqCommon size");
static_assert(offsetof(ReqCommon, dataSize) == 4, "ReqCommon.dataSize offset");
static_assert(offsetof(ReqCommon, flags) == 6, "ReqCommon.flags offset");
static_assert(sizeof(ReqScanLock) == 56, "ReqScanLock size");
static_assert(offsetof(ReqScanLock, depth) == 8, "ReqScanLock.depth offset");
static_assert(offsetof(ReqScanLock, width) == 12, "ReqScanLock.width offset");
static_assert(offsetof(ReqScanLock, yOffset) == 24, "ReqScanLock.yOffset offset");
static_assert(offsetof(ReqScanLock, xResolution) == 28, "ReqScanLock.xResolution offset");
static_assert(offsetof(ReqScanLock, scanSource) == 32, "ReqScanLock.scanSource offset");
static_assert(offsetof(ReqScanLock, backgroundRemoval) == 41, "ReqScanLock.backgroundRemoval offset");
static_assert(offsetof(ReqScanLock, brightness) == 45, "ReqScanLock.brightness offset");
static_assert(offsetof(ReqScanLock, colorBalanceGreen) == 54, "ReqScanLock.colorBalanceGreen offset");
