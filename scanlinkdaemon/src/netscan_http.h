#pragma once

// The texts of the network scanner protocol: the HTTP requests and the
// attribute query the daemon sends, and the parsers of the scanner's answers.

#include "scan_protocol.h"

#include <cstdint>
#include <string>
#include <vector>

// One form field of the scan start.
struct LSP_POST_CMD {
    std::string key;
    std::string value;
};

// The address the scan start sends in its "IPADDRESS" field and Host line: a
// fixed one from a range reserved for documentation, so it is nobody's host.
inline constexpr char kScanStartAddress[] = "192.0.2.1";

// The 25 form fields of a scan start, in the order they are sent; userName
// is the NAME value.
std::vector<LSP_POST_CMD> scanStartFields(const SettingInfo& info, const std::string& userName);
// Each field as "key=value&", without escaping.
std::string formBody(const std::vector<LSP_POST_CMD>& fields);

std::string scanStartRequest(const SettingInfo& info, const std::string& userName);
// The abort, feeder status and capabilities requests carry the host's own address.
std::string scanAbortRequest(const std::string& hostAddress);
std::string adfStatusRequest(const std::string& hostAddress);
std::string capabilitiesRequest(const std::string& hostAddress);

// The attribute query of an OSL_CMD_TYPE with its 4-byte length; empty for a
// type that names no attribute.
std::vector<uint8_t> attributeQuery(int32_t type);

// Where the body of an HTTP answer begins: after its first empty line
// (lines end with LF or CR LF), or npos while the header has not ended.
size_t httpBodyStart(const std::string& answer);
// True when the answer's header has ended and its body holds as many bytes as
// its Content-Length says; false without a Content-Length.
bool httpAnswerComplete(const std::string& answer);

// The status of a scan start's answer: the first body line whose key is
// "RESULT" decides (0 gives 0, 91 gives 3, any other value 4); none gives 0.
int vuro_http_ScanStartResult(const std::string& reply);

// Sets the capability that key names from its text value; other keys are ignored.
void vuro_SetScanCapabilities(const std::string& key, const std::string& value, ScannerCapabilities& capabilities);
// Reads the "KEY=VALUE" lines of a capabilities answer's body into capabilities.
void vuro_ParseScanCapabilities(const std::string& body, ScannerCapabilities& capabilities);

// The ADFStatus that the answer's last byte names ('1', '2' or '3'); false
// for any other byte and for an empty answer.
bool adfStatusOfAnswer(const std::string& answer, int32_t& status);

// True once a scan start's answer can be judged: it shows "RESULT=" and
// either the line after it has ended or the answer is complete by its
// Content-Length. A number cut between two receives is not taken for a whole one.
bool scanStartAnswerReady(const std::string& reply);
