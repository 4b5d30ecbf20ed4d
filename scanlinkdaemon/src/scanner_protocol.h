#pragma once

// The USB scanner command protocol: commands written to the bulk OUT
// endpoint, responses and scan records read from the bulk IN endpoint, and
// their decoding into SANE status values. Every function takes the
// descriptor of a discovered device. Results are SANE status values or, where
// said, the raw negative value of a failed transfer.

#include "scan_protocol.h"
#include "scanner_frames.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The 8-byte command of a class and code: dataSize 0, flags 0x80.
ReqCommon commandHeader(uint8_t cmdClass, uint8_t cmdCode);
// The scan lock command for a scan request; its first 55 bytes are sent.
ReqScanLock buildScanLock(const SettingInfo& info);

// The status a response flag gives for a command of this type.
int ConvertResponseFlagToErrorCode(uint8_t flag, CommandType type);
// Decodes the last response read: `received` bytes at the start of the
// 200-byte buffer. 9 for fewer than 8 bytes or a first byte other than 0x1B,
// 10 when the announced data does not fit the buffer, else the flag's status.
int decodeResponse(const uint8_t* buffer, int received, CommandType type);

// What the header of one scan record says.
struct ScanRecordHeader {
    enum Kind {
        NoBytes,      // the read brought nothing
        Malformed,    // not a record header
        DeviceAbort,  // 1B 53 0F: the device aborted
        NoStatus,     // dataSize 0: no status, no data
        Status,       // a status, and for status 0 `dataLength` bytes of data
    };
    Kind kind = NoBytes;
    uint8_t status = 0;
    uint16_t dataSize = 0;
    size_t dataLength = 0;
};
ScanRecordHeader decodeScanRecord(const uint8_t* buffer, int received);
// The result a record's status gives (data records: 0 before their data is read).
int scanStatusResult(uint8_t status);

// Writes a command (5 s): 0, 9 when the transfer failed, 3 when the device took nothing.
int RequestScanner(int fd, const uint8_t* command, int length);
// Reads and decodes the response to a command of this type.
int ResponseScanner(int fd, CommandType type);
// Reads exactly `count` image bytes in up to 10 reads of 30 s: 0 or 9.
int ReadWithRetry(int fd, uint8_t* buffer, int count);

int ScanStart(int fd);
int ScanLock(int fd, const SettingInfo& info);
int ScanUnlock(int fd);
// `status` (an ADFStatus) is set when the result is 0.
int ScanADFStatus(int fd, int32_t& status);
int ScanPowerOn(int fd);
int ScanGetScanSizes(int fd);
// The device's 24-byte answer is copied out when the result is 0.
int ScanDeviceProperties(int fd, ResScanDeviceProperties& properties);
// Writes the abort, reads no response and resets the device; RequestScanner's result.
int ScanAbort(int fd);
// Reads one block: its status (left alone for a record without one) and
// `payloadLength` bytes of data at the start of `data`, which grows as needed.
// A read that brings nothing gives 0 without status or data, and 9 once ten
// such reads came in a row.
int ScanRecord(int fd, int32_t& status, std::vector<uint8_t>& data, size_t& payloadLength);
