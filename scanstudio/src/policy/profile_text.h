#pragma once

#include <json/value.h>

#include <string>

// The text form of scanApp.conf.
namespace vuro::profile_text {

// Largest profile file that is read.
inline constexpr std::size_t kMaxFileSize = 16u << 20;

// Parses the text (comments allowed); false when it is no JSON object.
bool parse(const std::string& text, Json::Value& root);

// The styled text of the object: indented, one member per line, keys in
// ascending byte order.
std::string styled(const Json::Value& root);

// Reads the whole file; false when it is missing, no regular file, unreadable,
// empty or larger than kMaxFileSize.
bool read_file(const std::string& path, std::string& text);

}  // namespace vuro::profile_text
