#include "scanner_protocol.h"

#include "daemon_log.h"
#include "usbfs_transport.h"

#include <cstring>
#include <new>

namespace {

constexpr int kResponseTimeoutMs = 5000;
constexpr int kAdfResponseTimeoutMs = 15000;
constexpr int kRequestTimeoutMs = 5000;
constexpr int kRecordTimeoutMs = 30000;
constexpr int kDataReadTries = 10;
constexpr int kEmptyRecordReadLimit = 10;

// The response buffer of this process; the last response stays in it for the caller.
uint8_t responseBuffer[kResponseBufferSize];
// Record reads in a row that brought nothing.
int emptyRecordReads = 0;

bool beginsWith(const uint8_t* buffer, uint8_t cmdClass, uint8_t cmdCode)
{
    return buffer[0] == kFrameStart && buffer[1] == cmdClass && buffer[2] == cmdCode;
}

uint16_t dataSizeOf(const uint8_t* buffer) { return static_cast<uint16_t>(buffer[4] | (buffer[5] << 8)); }

// Reads into the cleared response buffer; false (with `result` set) when nothing came.
bool readResponse(int fd, int timeoutMs, const char* attempt, int& received, int& result)
{
    std::memset(responseBuffer, 0, sizeof responseBuffer);
    received = vuro_bulk_read(fd, responseBuffer, sizeof responseBuffer, timeoutMs);
    if (received <= 0) {
        logInfo("[TaliroScanSDK] ResponseScanner(ResCommon) %s failed. \n", attempt);
        result = received == 0 ? kSaneDeviceBusy : received;
        return false;
    }
    logInfo("[TaliroScanSDK] Header type(%s): cmdStart[0x%02X] cmdClass[0x%02X] cmdCode[0x%02X]\n", attempt,
            responseBuffer[0], responseBuffer[1], responseBuffer[2]);
    return true;
}

int command(int fd, uint8_t cmdClass, uint8_t cmdCode)
{
    const ReqCommon header = commandHeader(cmdClass, cmdCode);
    return RequestScanner(fd, reinterpret_cast<const uint8_t*>(&header), sizeof header);
}

// A command and its response.
int exchange(int fd, uint8_t cmdClass, uint8_t cmdCode, CommandType type)
{
    const int result = command(fd, cmdClass, cmdCode);
    return result != kSaneGood ? result : ResponseScanner(fd, type);
}

bool getScanBuffer(std::vector<uint8_t>& buffer, size_t size)
{
    try {
        buffer.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

ReqCommon commandHeader(uint8_t cmdClass, uint8_t cmdCode)
{
    ReqCommon header{};
    header.cmdStart = kFrameStart;
    header.cmdClass = cmdClass;
    header.cmdCode = cmdCode;
    header.flags = kCommandFlags;
    return header;
}

ReqScanLock buildScanLock(const SettingInfo& info)
{
    ReqScanLock lock;
    std::memset(&lock, 0, sizeof lock);
    lock.header = commandHeader(kScanClass, kScanLockCode);
    lock.header.dataSize = kScanLockDataSize;
    const bool blackAndWhite = info.bitDepth == 1;
    lock.depth = blackAndWhite ? 1 : info.bitDepth == 8 ? 2 : 3;
    lock.compressionMode = blackAndWhite ? 0 : static_cast<uint8_t>(info.compType);
    lock.compressionLevel =
        !blackAndWhite && (info.compType == COMPRESSION_WICKED || info.compType == COMPRESSION_JPEG) ? 70 : 0;
    lock.filter = 3;
    lock.width = info.width;
    lock.height = info.height;
    lock.xOffset = info.xStart;
    lock.yOffset = info.yStart;
    // The feeder scans 1200 dpi requests at 600 dpi on both axes.
    const bool feederAt1200 = info.feederEnabled != 0 && info.xResolution == 1200;
    lock.xResolution = feederAt1200 ? 600 : info.xResolution;
    lock.yResolution = feederAt1200 ? 600 : info.yResolution;
    lock.scanSource = info.feederEnabled != 0
                          ? (info.isClient != 0 ? SCAN_SOURCE_ADF_MULTI_PAGE : SCAN_SOURCE_ADF_SINGLE_PAGE)
                          : SCAN_SOURCE_FLATBED_SINGLE_PAGE;
    lock.duplex = 1;
    lock.backgroundRemoval = info.backgroundRemoval != 0 ? 1 : 0;
    lock.backgroundRemovalParam = info.backgroundRemovalParam;
    lock.brightness = info.BrightnessParam;
    lock.contrast = info.ContrastParam;
    return lock;
}

int ConvertResponseFlagToErrorCode(uint8_t flag, CommandType type)
{
    switch (flag) {
    case 0x80:
        logInfo("[TaliroScanSDK] Response: Command was successfully executed\n");
        return kSaneGood;
    case 0x81:
        logError("[TaliroScanSDK] Response: Command is invalid or not supported\n");
        return kSaneIoError;
    case 0x82:
        logError("[TaliroScanSDK] Response: Command execution has failed\n");
        return kSaneIoError;
    case 0x83:
        logError("[TaliroScanSDK] Response: Lock required to execute command\n");
        return kSaneIoError;
    case 0x84:
        logError("[TaliroScanSDK] Response: Device is currently powered off\n");
        return kSaneIoError;
    case 0x85:
        logError("[TaliroScanSDK] Response: Catastrophic error\n");
        return kSaneIoError;
    case 0x86:
        logError("[TaliroScanSDK] Response: Communication error (Host software use only. Printer will not send "
                 "this error code.)\n");
        return kSaneIoError;
    case 0x88:
        if (type == CMD_TYPE_SCAN_START || type == CMD_TYPE_SCAN_POWER_ON_COMMAND) {
            logError("[TaliroScanSDK] Response: Invalid scan request - parameter error\n");
            return kSaneIoError;
        }
        if (type == CMD_TYPE_SCAN_LOCK) {
            logError("[TaliroScanSDK] Response: Lock could not be obtained - scanner resource is already locked\n");
            return kSaneDeviceBusy;
        }
        logError("[TaliroScanSDK] Response flag is unknown [0x%02x]\n", flag);
        return kSaneIoError;
    case 0x89:
        if (type == CMD_TYPE_SCAN_LOCK)
            logError("[TaliroScanSDK] Response: Lock could not be obtained because device doesn't have enough "
                     "memory to perform scan\n");
        else
            logError("[TaliroScanSDK] Response flag is unknown [0x%02x]\n", flag);
        return kSaneIoError;
    default:
        logError("[TaliroScanSDK] Response flag is unknown [0x%02x]\n", flag);
        return kSaneGood;
    }
}

int decodeResponse(const uint8_t* buffer, int received, CommandType type)
{
    // A response shorter than its header, or one that is no response at all,
    // has no flag to trust.
    if (received < static_cast<int>(sizeof(ResCommon)) || buffer[0] != kFrameStart) {
        logError("[TaliroScanSDK] ResponseScanner: malformed response of %d bytes\n", received);
        return kSaneIoError;
    }
    const int needed = dataSizeOf(buffer) + static_cast<int>(sizeof(ResCommon));
    if (dataSizeOf(buffer) != 0 && needed > kResponseBufferSize) {
        logError("[TaliroScanSDK] m_ResComBuf is too small. needed = %d\n", needed);
        return kSaneNoMemory;
    }
    logInfo("[TaliroScanSDK]   ** readSize = %d\n", needed);
    return ConvertResponseFlagToErrorCode(buffer[offsetof(ResCommon, flags)], type);
}

ScanRecordHeader decodeScanRecord(const uint8_t* buffer, int received)
{
    ScanRecordHeader header;
    if (received <= 0)
        return header;
    if (beginsWith(buffer, kScanClass, kScanAbortCode)) {
        header.kind = ScanRecordHeader::DeviceAbort;
        return header;
    }
    header.dataSize = dataSizeOf(buffer);
    // A record shorter than its header, one that is no record, or one that
    // announces a body but stops before its status byte.
    if (received < static_cast<int>(sizeof(ResCommon)) || buffer[0] != kFrameStart ||
        (header.dataSize != 0 && received <= static_cast<int>(kScanStatusOffset))) {
        header.kind = ScanRecordHeader::Malformed;
        return header;
    }
    if (header.dataSize == 0) {
        header.kind = ScanRecordHeader::NoStatus;
        return header;
    }
    header.kind = ScanRecordHeader::Status;
    header.status = buffer[kScanStatusOffset];
    if (header.status == SCAN_STATUS_OPERATION_CONTINUOUS) {
        if (header.dataSize < kScanRecordBodySize)
            header.kind = ScanRecordHeader::Malformed;
        else
            header.dataLength = header.dataSize - kScanRecordBodySize;
    }
    return header;
}

int scanStatusResult(uint8_t status)
{
    switch (status) {
    case SCAN_STATUS_OPERATION_CONTINUOUS:
    case SCAN_STATUS_END_OF_PAGE:
    case SCAN_STATUS_BEGIN_OF_SCAN:
    case SCAN_STATUS_BEGIN_OF_PAGE:
        return kSaneGood;
    case SCAN_STATUS_END_OF_DATA:
        return kSaneEndOfFile;
    case SCAN_STATUS_ABORTED_OUT_OF_MEMORY:
        return kSaneNoMemory;
    case SCAN_STATUS_ABORTED_BY_REQUEST:
    case SCAN_STATUS_ABORTED_BY_DEVICE:
        return kSaneCancelled;
    case SCAN_STATUS_ABORTED_PAPER_JAM:
        return kSaneJammed;
    default:
        return kSaneInvalid;
    }
}

int RequestScanner(int fd, const uint8_t* command, int length)
{
    logInfo("[TaliroScanSDK] [enter] request size = %d\n", length);
    const int written = vuro_bulk_write(fd, command, length, kRequestTimeoutMs);
    int result = kSaneGood;
    if (written == -1 || written == 0) {
        result = written == 0 ? kSaneDeviceBusy : kSaneIoError;
        logError("[TaliroScanSDK] RequestScanner failed.\n");
    }
    logInfo("[TaliroScanSDK] [exit] nRet[0x%08x]\n", result);
    return result;
}

int ResponseScanner(int fd, CommandType type)
{
    const int timeoutMs = type == CMD_TYPE_SCAN_ADF_STATUS ? kAdfResponseTimeoutMs : kResponseTimeoutMs;
    int received = 0;
    int result = kSaneGood;
    if (!readResponse(fd, timeoutMs, "#1", received, result))
        return result;
    // A scan record still arriving from an earlier scan, then an abort answer, come before the response.
    while (beginsWith(responseBuffer, kScanClass, kScanRecordCode)) {
        logInfo("[TaliroScanSDK] ScanRecord Response recieve. Retry read.\n");
        if (!readResponse(fd, kResponseTimeoutMs, "#2", received, result))
            return result;
    }
    if (beginsWith(responseBuffer, kScanClass, kScanAbortCode)) {
        logInfo("[TaliroScanSDK] ScanAbort Response recieve. Retry read.\n");
        if (!readResponse(fd, kResponseTimeoutMs, "#2", received, result))
            return result;
    }
    result = decodeResponse(responseBuffer, received, type);
    logInfo("[TaliroScanSDK] [exit] nRet[0x%08x]\n", result);
    return result;
}

int ReadWithRetry(int fd, uint8_t* buffer, int count)
{
    int received = 0;
    for (int tries = 0; tries < kDataReadTries && received < count; ++tries) {
        const int result = vuro_bulk_read(fd, buffer + received, count - received, kRecordTimeoutMs);
        if (result > 0)
            received += result;
    }
    if (received < count) {
        logError("[TaliroScanSDK] ReadWithRetry failed.\n");
        return kSaneIoError;
    }
    return kSaneGood;
}

int ScanStart(int fd)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    emptyRecordReads = 0;
    return exchange(fd, kScanClass, kScanStartCode, CMD_TYPE_SCAN_START);
}

int ScanLock(int fd, const SettingInfo& info)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    logInfo("[TaliroScanSDK] x:%d y:%d width:%d height:%d dpi:%d depth:%d\n", static_cast<int>(info.xStart),
            static_cast<int>(info.yStart), static_cast<int>(info.width), static_cast<int>(info.height),
            info.xResolution, info.bitDepth);
    const ReqScanLock lock = buildScanLock(info);
    const int result = RequestScanner(fd, reinterpret_cast<const uint8_t*>(&lock), kScanLockSentSize);
    return result != kSaneGood ? result : ResponseScanner(fd, CMD_TYPE_SCAN_LOCK);
}

int ScanUnlock(int fd)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    return exchange(fd, kScanClass, kScanUnlockCode, CMD_TYPE_SCAN_UNLOCK);
}

int ScanADFStatus(int fd, int32_t& status)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    const int result = exchange(fd, kScanClass, kAdfStatusCode, CMD_TYPE_SCAN_ADF_STATUS);
    if (result == kSaneGood)
        status = responseBuffer[offsetof(ResCommon, reserved)];
    return result;
}

int ScanPowerOn(int fd)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    const int result = exchange(fd, kPowerClass, kPowerOnCode, CMD_TYPE_SCAN_POWER_ON_COMMAND);
    if (result == kSaneGood)
        logInfo("[TaliroScanSDK] ScanPowerOn Sleep: %d seconds for the scanner to warm prior to scanning.\n",
                responseBuffer[kTimeToScanOffset]);
    return result;
}

int ScanGetScanSizes(int fd)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    return exchange(fd, kScanClass, kGetScanSizesCode, CMD_TYPE_SCAN_GET_SCAN_SIZES);
}

int ScanDeviceProperties(int fd, ResScanDeviceProperties& properties)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    const int result = exchange(fd, kScanClass, kDevicePropertiesCode, CMD_TYPE_SCAN_DEVICE_PROPERTIES);
    if (result == kSaneGood)
        std::memcpy(properties.bytes, responseBuffer, sizeof properties.bytes);
    return result;
}

int ScanAbort(int fd)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    const int result = command(fd, kScanClass, kScanAbortCode);
    vuro_reset_device(fd);
    return result;
}

int ScanRecord(int fd, int32_t& status, std::vector<uint8_t>& data, size_t& payloadLength)
{
    logInfo("[TaliroScanSDK] ** %s\n", __func__);
    payloadLength = 0;
    uint8_t record[kResponseBufferSize] = {};
    const int received = vuro_bulk_read(fd, record, sizeof record, kRecordTimeoutMs);
    if (received < 0) {
        logError("[TaliroScanSDK] ScanRecord(ResCommon) failed. \n");
        return kSaneIoError;
    }
    const ScanRecordHeader header = decodeScanRecord(record, received);
    if (header.kind == ScanRecordHeader::NoBytes) {
        // A time-out on a device that still answers: nothing to decode; read again.
        if (++emptyRecordReads >= kEmptyRecordReadLimit) {
            emptyRecordReads = 0;
            logError("[TaliroScanSDK] ScanRecord: no record in %d reads\n", kEmptyRecordReadLimit);
            return kSaneIoError;
        }
        logInfo("[TaliroScanSDK] ScanRecord: no record yet (%d)\n", emptyRecordReads);
        return kSaneGood;
    }
    emptyRecordReads = 0;
    switch (header.kind) {
    case ScanRecordHeader::DeviceAbort:
        logInfo("[TaliroScanSDK] ScanAbort Command from Device.\n");
        return kSaneCancelled;
    case ScanRecordHeader::NoStatus:
        return kSaneGood;
    case ScanRecordHeader::Malformed:
        logError("[TaliroScanSDK] ScanRecord: malformed record of %d bytes, dataSize %d\n", received,
                 header.dataSize);
        return kSaneIoError;
    default:
        break;
    }
    logInfo("[TaliroScanSDK]   ** status = %d, resCmd.dataSize = %d\n", header.status, header.dataSize);
    status = header.status;
    int result = scanStatusResult(header.status);
    if (header.status == SCAN_STATUS_OPERATION_CONTINUOUS) {
        const size_t need = header.dataLength;
        if (data.size() < need && !getScanBuffer(data, need)) {
            logError("[TaliroScanSDK] resize scan data buffer err\n");
            return kSaneNoMemory;
        }
        result = ReadWithRetry(fd, data.data(), static_cast<int>(need));
        payloadLength = need;
        logInfo("[TaliroScanSDK]   ** exist scan data : readSize = %d\n", static_cast<int>(need));
    }
    logInfo("[TaliroScanSDK] [exit] nRet[0x%08x]\n", result);
    return result;
}
