#pragma once

#include <json/value.h>

#include <QString>

#include <string>

// Reading the viewer's JSON texts (auth file, scan log lines) without ever
// letting jsoncpp throw.
namespace json_text {

// Parses `text` as one JSON document; false when it is no JSON object.
bool parseObject(const std::string &text, Json::Value &object);

// The member's bytes when it is a string; empty when it is missing or of
// another type.
std::string stringMember(const Json::Value &object, const char *name);

// Text in the local 8-bit encoding, in which ScanStudio writes its members.
QString fromLocal(const std::string &bytes);

}  // namespace json_text
