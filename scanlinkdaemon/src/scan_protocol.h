#pragma once

// The scan command protocol of TCP port 7003: the command numbers and every
// request and reply record. The records travel exactly in this in-memory
// layout (x86-64 Linux, little-endian, natural alignment with its padding);
// the daemon, the test client, the tests and the fuzz target all use these
// definitions and nothing else.

#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(sizeof(int) == 4 && sizeof(bool) == 1, "the records need 32-bit int and 1-byte bool");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the records travel little-endian");

inline constexpr int kScanCommandPort = 7003;

enum scanCommandType : int32_t {
    USB_FIND_DEV = 0,
    USB_OPEN_DEV = 1,
    USB_CLOSE_DEV = 2,
    USB_CLEAR_DEV = 3,
    USB_RESET_DEVEP = 4,
    USB_SCAN_START = 5,
    USB_SCAN_ABORT = 6,
    USB_SCAN_LOCK = 7,
    USB_SCAN_UNLOCK = 8,
    USB_SCAN_ADFSTATUS = 9,
    USB_SCAN_POWERON = 10,
    USB_SCAN_GETSIZES = 11,
    USB_SCAN_DEVPROPERTIES = 12,
    TCP_SEND_OSL = 13,
    TCP_SCAN_START = 14,
    TCP_SCAN_ABORT = 15,
    TCP_SCAN_ADFST = 16,
    TCP_SCAN_DEVPROPERTIES = 17,
    USB_REOPEN_DEV = 18,
    CMD_DELETE_FILE = 19,
};

enum ScanStatus : int32_t {
    SCAN_STATUS_OPERATION_CONTINUOUS = 0,
    SCAN_STATUS_END_OF_DATA = 1,
    SCAN_STATUS_ABORTED_OUT_OF_MEMORY = 2,
    SCAN_STATUS_ABORTED_BY_REQUEST = 3,
    SCAN_STATUS_ABORTED_BY_DEVICE = 4,
    SCAN_STATUS_ABORTED_PAPER_JAM = 5,
    SCAN_STATUS_END_OF_PAGE = 7,
    SCAN_STATUS_BEGIN_OF_SCAN = 8,
    SCAN_STATUS_BEGIN_OF_PAGE = 9,
};

enum ADFStatus : int32_t {
    ADF_STATUS_EMPTY = 1,
    ADF_STATUS_LOADED = 2,
    ADF_STATUS_PAPER_JAM = 3,
};

enum CompressionType : int32_t {
    COMPRESSION_NONE = 0,
    COMPRESSION_WICKED = 1,
    COMPRESSION_JPEG = 2,
};

enum OSL_CMD_TYPE : int32_t {
    OSL_CMD_FAMILYTYPE = 0,
    OSL_CMD_GETLIST = 1,
    OSL_CMD_SUMMARY = 2,
};

// SANE status values carried in the replies.
enum SaneResult : int32_t {
    kSaneGood = 0,
    kSaneCancelled = 2,
    kSaneDeviceBusy = 3,
    kSaneInvalid = 4,
    kSaneEndOfFile = 5,
    kSaneJammed = 6,
    kSaneIoError = 9,
    kSaneNoMemory = 10,
    kSaneAccessDenied = 11,
};

inline constexpr size_t kFileNameSize = 256;
inline constexpr size_t kUsbStringSize = 1024;
inline constexpr size_t kScannerIpSize = 16;

// Bools and enumerations read from the wire are held as plain integers, so
// that any byte value a client sends is a valid object.
using WireBool = uint8_t;

struct SettingInfo {
    uint8_t bitDepth;
    int32_t compType;  // CompressionType
    uint32_t width;
    uint32_t height;
    uint32_t xStart;
    uint32_t yStart;
    uint16_t xResolution;
    uint16_t yResolution;
    WireBool feederEnabled;
    uint8_t backgroundRemoval;
    uint8_t backgroundRemovalParam;
    uint8_t BrightnessParam;
    uint8_t ContrastParam;
    uint8_t isClient;
};

struct VuroSocket {
    int32_t tcpFromScanner;
    char szScannerIP[kScannerIpSize];
};

struct ScannerCapabilities {
    bool duplex;
    bool color;
    uint32_t minres;
    uint32_t maxres;
    uint32_t width_format;
    uint32_t family;
    bool permprofiles;
    bool profile;
    uint32_t maxWidth;
    uint32_t maxHeight;
    uint32_t basicres;
};

// The device's properties reply as the device sent it, header included.
struct ResScanDeviceProperties {
    uint8_t bytes[24];
};

// Requests (what follows the 32-bit command number).

struct USBFindDevReq {
    int32_t vid;
    int32_t pid;
    WireBool compareWithPID;
};

struct USBCommonReq {
    int32_t devfd;
};

struct USBClearDevEpReq {
    int32_t devfd;
    uint32_t ep;
};

struct USBResetDevEpReq {
    int32_t devfd;
    uint32_t ep;
};

struct USBScanLockReq {
    int32_t devfd;
    SettingInfo info;
};

struct USBScanAbortReq {
    int32_t devfd;
    char fileName[kFileNameSize];
};

struct TCPCommonReq {
    VuroSocket socket;
};

struct TCPOSLReq {
    VuroSocket socket;
    int32_t type;  // OSL_CMD_TYPE
};

struct TCPScanStartReq {
    VuroSocket socket;
    SettingInfo info;
};

struct TCPScanAbortReq {
    VuroSocket socket;
    char fileName[kFileNameSize];
};

struct USBReopenDevReq {
    int32_t devfd;
    int32_t vid;
    int32_t pid;
    char SerialNumber[kUsbStringSize];
};

struct CmdDeleteFileReq {
    char fileName[kFileNameSize];
};

// Replies (the plain 4-byte results are sent as one int32_t).

struct USBFindDevRes {
    int32_t fd;
    int32_t vid;
    int32_t pid;
    char Manufacturer[kUsbStringSize];
    char Product[kUsbStringSize];
    char SerialNumber[kUsbStringSize];
};

struct USBReopenDevRes {
    int32_t ret;
    int32_t fd;
};

struct USBScanStartRes {
    int32_t result;
    char fileName[kFileNameSize];
};

struct USBScanRecordRes {
    int32_t st;  // ScanStatus
    int32_t fileIndex;
    int32_t dataSize;
    int32_t result;
};

struct USBScanAdfStatusRes {
    int32_t st;  // ADFStatus
    int32_t result;
};

struct USBScanDevicePropertiesRes {
    ResScanDeviceProperties st;
    int32_t result;
};

struct TCPOSLRes {
    int32_t result;
    int32_t bufferLen;
};

struct TCPScanStartRes {
    int32_t result;
    int32_t socketDataFd;
    char fileName[kFileNameSize];
};

struct TCPRecordRes {
    int32_t result;
    int32_t bufferLen;
    int32_t fileIndex;
    int32_t st;  // ScanStatus
};

struct TCPADFStatusRes {
    int32_t result;
    int32_t st;  // ADFStatus
};

struct TCPDevPropertiesRes {
    int32_t result;
    ScannerCapabilities devPro;
};

// Records are sent with their padding, so every record is zeroed as a whole
// before its fields are filled.
template <class Record>
void zeroRecord(Record& record)
{
    std::memset(static_cast<void*>(&record), 0, sizeof record);
}

// Ends a string array taken from the wire at its last byte, so it is always NUL-terminated.
template <size_t Size>
void terminateWireString(char (&text)[Size])
{
    text[Size - 1] = '\0';
}

#define SCAN_PROTOCOL_LAYOUT(type, size) static_assert(sizeof(type) == (size), #type " size")
#define SCAN_PROTOCOL_FIELD(type, field, offset) \
    static_assert(offsetof(type, field) == (offset), #type "." #field " offset")

SCAN_PROTOCOL_LAYOUT(SettingInfo, 36);
SCAN_PROTOCOL_FIELD(SettingInfo, bitDepth, 0);
SCAN_PROTOCOL_FIELD(SettingInfo, compType, 4);
SCAN_PROTOCOL_FIELD(SettingInfo, width, 8);
SCAN_PROTOCOL_FIELD(SettingInfo, height, 12);
SCAN_PROTOCOL_FIELD(SettingInfo, xStart, 16);
SCAN_PROTOCOL_FIELD(SettingInfo, yStart, 20);
SCAN_PROTOCOL_FIELD(SettingInfo, xResolution, 24);
SCAN_PROTOCOL_FIELD(SettingInfo, yResolution, 26);
SCAN_PROTOCOL_FIELD(SettingInfo, feederEnabled, 28);
SCAN_PROTOCOL_FIELD(SettingInfo, backgroundRemoval, 29);
SCAN_PROTOCOL_FIELD(SettingInfo, backgroundRemovalParam, 30);
SCAN_PROTOCOL_FIELD(SettingInfo, BrightnessParam, 31);
SCAN_PROTOCOL_FIELD(SettingInfo, ContrastParam, 32);
SCAN_PROTOCOL_FIELD(SettingInfo, isClient, 33);

SCAN_PROTOCOL_LAYOUT(VuroSocket, 20);
SCAN_PROTOCOL_FIELD(VuroSocket, tcpFromScanner, 0);
SCAN_PROTOCOL_FIELD(VuroSocket, szScannerIP, 4);

SCAN_PROTOCOL_LAYOUT(ScannerCapabilities, 36);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, duplex, 0);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, color, 1);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, minres, 4);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, maxres, 8);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, width_format, 12);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, family, 16);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, permprofiles, 20);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, profile, 21);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, maxWidth, 24);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, maxHeight, 28);
SCAN_PROTOCOL_FIELD(ScannerCapabilities, basicres, 32);

SCAN_PROTOCOL_LAYOUT(ResScanDeviceProperties, 24);

SCAN_PROTOCOL_LAYOUT(USBFindDevReq, 12);
SCAN_PROTOCOL_FIELD(USBFindDevReq, vid, 0);
SCAN_PROTOCOL_FIELD(USBFindDevReq, pid, 4);
SCAN_PROTOCOL_FIELD(USBFindDevReq, compareWithPID, 8);

SCAN_PROTOCOL_LAYOUT(USBCommonReq, 4);
SCAN_PROTOCOL_FIELD(USBCommonReq, devfd, 0);

SCAN_PROTOCOL_LAYOUT(USBClearDevEpReq, 8);
SCAN_PROTOCOL_FIELD(USBClearDevEpReq, devfd, 0);
SCAN_PROTOCOL_FIELD(USBClearDevEpReq, ep, 4);

SCAN_PROTOCOL_LAYOUT(USBResetDevEpReq, 8);
SCAN_PROTOCOL_FIELD(USBResetDevEpReq, devfd, 0);
SCAN_PROTOCOL_FIELD(USBResetDevEpReq, ep, 4);

SCAN_PROTOCOL_LAYOUT(USBScanLockReq, 40);
SCAN_PROTOCOL_FIELD(USBScanLockReq, devfd, 0);
SCAN_PROTOCOL_FIELD(USBScanLockReq, info, 4);

SCAN_PROTOCOL_LAYOUT(USBScanAbortReq, 260);
SCAN_PROTOCOL_FIELD(USBScanAbortReq, devfd, 0);
SCAN_PROTOCOL_FIELD(USBScanAbortReq, fileName, 4);

SCAN_PROTOCOL_LAYOUT(TCPCommonReq, 20);
SCAN_PROTOCOL_FIELD(TCPCommonReq, socket, 0);

SCAN_PROTOCOL_LAYOUT(TCPOSLReq, 24);
SCAN_PROTOCOL_FIELD(TCPOSLReq, socket, 0);
SCAN_PROTOCOL_FIELD(TCPOSLReq, type, 20);

SCAN_PROTOCOL_LAYOUT(TCPScanStartReq, 56);
SCAN_PROTOCOL_FIELD(TCPScanStartReq, socket, 0);
SCAN_PROTOCOL_FIELD(TCPScanStartReq, info, 20);

SCAN_PROTOCOL_LAYOUT(TCPScanAbortReq, 276);
SCAN_PROTOCOL_FIELD(TCPScanAbortReq, socket, 0);
SCAN_PROTOCOL_FIELD(TCPScanAbortReq, fileName, 20);

SCAN_PROTOCOL_LAYOUT(USBReopenDevReq, 1036);
SCAN_PROTOCOL_FIELD(USBReopenDevReq, devfd, 0);
SCAN_PROTOCOL_FIELD(USBReopenDevReq, vid, 4);
SCAN_PROTOCOL_FIELD(USBReopenDevReq, pid, 8);
SCAN_PROTOCOL_FIELD(USBReopenDevReq, SerialNumber, 12);

SCAN_PROTOCOL_LAYOUT(CmdDeleteFileReq, 256);
SCAN_PROTOCOL_FIELD(CmdDeleteFileReq, fileName, 0);

SCAN_PROTOCOL_LAYOUT(USBFindDevRes, 3084);
SCAN_PROTOCOL_FIELD(USBFindDevRes, fd, 0);
SCAN_PROTOCOL_FIELD(USBFindDevRes, vid, 4);
SCAN_PROTOCOL_FIELD(USBFindDevRes, pid, 8);
SCAN_PROTOCOL_FIELD(USBFindDevRes, Manufacturer, 12);
SCAN_PROTOCOL_FIELD(USBFindDevRes, Product, 1036);
SCAN_PROTOCOL_FIELD(USBFindDevRes, SerialNumber, 2060);

SCAN_PROTOCOL_LAYOUT(USBReopenDevRes, 8);
SCAN_PROTOCOL_FIELD(USBReopenDevRes, ret, 0);
SCAN_PROTOCOL_FIELD(USBReopenDevRes, fd, 4);

SCAN_PROTOCOL_LAYOUT(USBScanStartRes, 260);
SCAN_PROTOCOL_FIELD(USBScanStartRes, result, 0);
SCAN_PROTOCOL_FIELD(USBScanStartRes, fileName, 4);

SCAN_PROTOCOL_LAYOUT(USBScanRecordRes, 16);
SCAN_PROTOCOL_FIELD(USBScanRecordRes, st, 0);
SCAN_PROTOCOL_FIELD(USBScanRecordRes, fileIndex, 4);
SCAN_PROTOCOL_FIELD(USBScanRecordRes, dataSize, 8);
SCAN_PROTOCOL_FIELD(USBScanRecordRes, result, 12);

SCAN_PROTOCOL_LAYOUT(USBScanAdfStatusRes, 8);
SCAN_PROTOCOL_FIELD(USBScanAdfStatusRes, st, 0);
SCAN_PROTOCOL_FIELD(USBScanAdfStatusRes, result, 4);

SCAN_PROTOCOL_LAYOUT(USBScanDevicePropertiesRes, 28);
SCAN_PROTOCOL_FIELD(USBScanDevicePropertiesRes, st, 0);
SCAN_PROTOCOL_FIELD(USBScanDevicePropertiesRes, result, 24);

SCAN_PROTOCOL_LAYOUT(TCPOSLRes, 8);
SCAN_PROTOCOL_FIELD(TCPOSLRes, result, 0);
SCAN_PROTOCOL_FIELD(TCPOSLRes, bufferLen, 4);

SCAN_PROTOCOL_LAYOUT(TCPScanStartRes, 264);
SCAN_PROTOCOL_FIELD(TCPScanStartRes, result, 0);
SCAN_PROTOCOL_FIELD(TCPScanStartRes, socketDataFd, 4);
SCAN_PROTOCOL_FIELD(TCPScanStartRes, fileName, 8);

SCAN_PROTOCOL_LAYOUT(TCPRecordRes, 16);
SCAN_PROTOCOL_FIELD(TCPRecordRes, result, 0);
SCAN_PROTOCOL_FIELD(TCPRecordRes, bufferLen, 4);
SCAN_PROTOCOL_FIELD(TCPRecordRes, fileIndex, 8);
SCAN_PROTOCOL_FIELD(TCPRecordRes, st, 12);

SCAN_PROTOCOL_LAYOUT(TCPADFStatusRes, 8);
SCAN_PROTOCOL_FIELD(TCPADFStatusRes, result, 0);
SCAN_PROTOCOL_FIELD(TCPADFStatusRes, st, 4);

SCAN_PROTOCOL_LAYOUT(TCPDevPropertiesRes, 40);
SCAN_PROTOCOL_FIELD(TCPDevPropertiesRes, result, 0);
SCAN_PROTOCOL_FIELD(TCPDevPropertiesRes, devPro, 4);

#undef SCAN_PROTOCOL_LAYOUT
#undef SCAN_PROTOCOL_FIELD
