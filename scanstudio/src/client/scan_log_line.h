#pragma once

#include <json/value.h>

#include <string>

// One line of scan/scanAppLog.log, which ScanStudio appends and ScanLogViewer
// reads: a compact JSON object of five strings, members in key order.
namespace scan_log {

inline constexpr const char kComputerName[] = "computerName";
inline constexpr const char kFileName[] = "fileName";
inline constexpr const char kScanResult[] = "scanResult";
inline constexpr const char kScanTime[] = "scanTime";
inline constexpr const char kUserName[] = "userName";

// The object's members sorted by name as `"name":"value"` pairs, no blanks,
// then "\n". Quotation mark and backslash are escaped with a backslash,
// \b \f \n \r \t are written so, other bytes below 0x20 as \u00XX with
// upper-case hex digits; every byte from 0x20 on, 0x7F and 0x80 to 0xFF
// included, is written unchanged. Members that are not strings are written
// as empty strings.
std::string formatLine(const Json::Value &record);

}  // namespace scan_log
