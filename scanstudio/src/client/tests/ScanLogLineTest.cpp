// The scan log line, byte for byte, as ScanLogViewer reads it.

#include "scan_log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

Json::Value record(const std::string &user, const std::string &computer, const std::string &file,
                   const std::string &time, const std::string &result)
{
    Json::Value value(Json::objectValue);
    value[scan_log::kUserName] = user;
    value[scan_log::kComputerName] = computer;
    value[scan_log::kFileName] = file;
    value[scan_log::kScanTime] = time;
    value[scan_log::kScanResult] = result;
    return value;
}

TEST(ScanLogLine, MembersInKeyOrderWithoutBlanks)
{
    EXPECT_EQ(scan_log::formatLine(record("ann", "host1", "/home/ann/taliroScan/taliro_24-05-01-10-00-00.pdf",
                                          "24-05-01-10-00-00", "save success")),
              "{\"computerName\":\"host1\",\"fileName\":\"/home/ann/taliroScan/taliro_24-05-01-10-00-00.pdf\","
              "\"scanResult\":\"save success\",\"scanTime\":\"24-05-01-10-00-00\",\"userName\":\"ann\"}\n");
    EXPECT_EQ(scan_log::formatLine(record("", "", "", "", "")),
              "{\"computerName\":\"\",\"fileName\":\"\",\"scanResult\":\"\",\"scanTime\":\"\",\"userName\":\"\"}\n");
}

TEST(ScanLogLine, EscapesControlBytesAndKeepsEveryOtherByte)
{
    struct Case {
        std::string raw;
        std::string written;
    };
    const Case cases[] = {
        {"a\"b", "a\\\"b"},
        {"a\\b", "a\\\\b"},
        {"\b\f\n\r\t", "\\b\\f\\n\\r\\t"},
        {"\x01", "\\u0001"},
        {"\x1F", "\\u001F"},
        {"\x1B[0m", "\\u001B[0m"},
        {std::string("a\0b", 3), "a\\u0000b"},
        {"\x7F", "\x7F"},
        {"\xFF\x80", "\xFF\x80"},
        {"扫描仪/文件", "扫描仪/文件"},
        {"/", "/"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.written);
        const std::string expected = "{\"computerName\":\"\",\"fileName\":\"" + c.written +
                                     "\",\"scanResult\":\"\",\"scanTime\":\"\",\"userName\":\"\"}\n";
        EXPECT_EQ(scan_log::formatLine(record("", "", c.raw, "", "")), expected);
    }
}

}  // namespace
