#include "scan_log_line.h"

#include <cstdio>

namespace scan_log {
namespace {

void appendEscaped(std::string &out, const std::string &text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
}

}  // namespace

std::string formatLine(const Json::Value &record)
{
    std::string line = "{";
    bool first = true;
    if (record.isObject()) {
        // Member names come back sorted by bytes, as the log format wants.
        for (const std::string &name : record.getMemberNames()) {
            const Json::Value &value = record[name];
            if (!first)
                line += ',';
            first = false;
            line += '"';
            appendEscaped(line, name);
            line += "\":\"";
            if (value.isString())
                appendEscaped(line, value.asString());
            line += '"';
        }
    }
    line += "}\n";
    return line;
}

}  // namespace scan_log
