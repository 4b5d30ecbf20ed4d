// The texts of the network scanner protocol: the scan start's form, and the
// readers of the scanner's answers and stream headers.

#include "netscan_http.h"
#include "netscan_protocol.h"

#include <gtest/gtest.h>

#include <map>

namespace {

SettingInfo settings(uint8_t bitDepth, int32_t compType, bool feeder, uint8_t isClient)
{
    SettingInfo info;
    zeroRecord(info);
    info.bitDepth = bitDepth;
    info.compType = compType;
    info.feederEnabled = feeder;
    info.isClient = isClient;
    info.width = 1000;
    info.height = 2000;
    info.xStart = 3;
    info.yStart = 4;
    info.xResolution = 600;
    info.yResolution = 300;
    info.BrightnessParam = 7;
    info.ContrastParam = 8;
    return info;
}

TEST(ScanStartForm, SendsTheTwentyFiveFieldsInOrderWithEmptyValuesKept)
{
    const std::string body = formBody(scanStartFields(settings(8, COMPRESSION_NONE, true, 0), "scan&user"));
    EXPECT_EQ(body,
              "SCANTYPE=2&ADVCONTRAST=8&BACKGROUNDREMOVAL=&COMPRESSION=JPEG&CONTRAST=MIXED&DARKNESS=7&DEPTH=8&"
              "DOCSOURCE=0&EDGETOEDGE=0&IPADDRESS=192.0.2.1&JPEGQUALITY=&KEEPALIVE=0&NAME=scan&user&"
              "ORIENTATION=PORTRAIT&RESOLUTION=600&SCANSOURCE=0&SHARPNESS=0&START_NOW=1&TCPPORT=2080&TYPE=RAW&"
              "SINGLEPAGE=TRUE&CUSTOM_WIDTH=1000&CUSTOM_HEIGHT=2000&OFFSETX=3&OFFSETY=4&");
}

TEST(ScanStartForm, FieldsThatFollowTheRequest)
{
    struct Case {
        SettingInfo info;
        std::map<std::string, std::string> fields;
    };
    SettingInfo removal = settings(24, COMPRESSION_JPEG, false, 0);
    removal.backgroundRemoval = 1;
    removal.backgroundRemovalParam = 0;
    const Case cases[] = {
        {settings(1, COMPRESSION_NONE, false, 0),
         {{"DEPTH", "other"}, {"JPEGQUALITY", ""}, {"TYPE", "RAW"}, {"SCANSOURCE", "7"}, {"SINGLEPAGE", ""}}},
        {settings(8, COMPRESSION_WICKED, true, 1),
         {{"DEPTH", "8"}, {"JPEGQUALITY", ""}, {"TYPE", "RAW"}, {"SCANSOURCE", "0"}, {"SINGLEPAGE", ""}}},
        {settings(24, COMPRESSION_JPEG, true, 0),
         {{"DEPTH", "24"}, {"JPEGQUALITY", "70"}, {"TYPE", "JPEG"}, {"SCANSOURCE", "0"}, {"SINGLEPAGE", "TRUE"}}},
        {settings(16, COMPRESSION_JPEG, false, 0), {{"DEPTH", "24"}, {"BACKGROUNDREMOVAL", ""}}},
        {removal, {{"BACKGROUNDREMOVAL", "0"}}},
    };
    for (const Case& c : cases) {
        std::map<std::string, std::string> sent;
        for (const LSP_POST_CMD& field : scanStartFields(c.info, ""))
            sent[field.key] = field.value;
        for (const auto& expected : c.fields)
            EXPECT_EQ(sent[expected.first], expected.second) << expected.first << " at depth " << +c.info.bitDepth;
    }
}

TEST(ScanStartAnswer, FirstResultLineOfTheBodyDecides)
{
    const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n";
    const std::pair<std::string, int> cases[] = {
        {header + "RESULT=0\r\n", 0},
        {header + "RESULT=91\r\n", 3},
        {header + "RESULT=1\r\n", 4},
        {header + "RESULT=00\n", 0},
        {header + "RESULT=0091", 3},
        {header + "RESULT=\r\n", 4},
        {header + "RESULT=busy\r\n", 4},
        {header + "RESULT=99999999999\r\n", 4},
        {header + "OK\rRESULT=91\rRESULT=0\r", 3},
        {header + "XRESULT=91\r\n RESULT=91\r\n", 0},
        {header + "NONE\r\n", 0},
        {"HTTP/1.1 200 OK\nX-Result: RESULT=91\n\nOK\n", 0},
        // Without an empty line there is no body.
        {"RESULT=91\r\n", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vuro_http_ScanStartResult(c.first), c.second) << c.first;
}

TEST(ScanStartAnswer, IsJudgedOnlyOnceTheResultLineHasEndedOrTheAnswerIsComplete)
{
    const std::pair<std::string, bool> cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\nRESULT=9", false},
        {"HTTP/1.1 200 OK\r\n\r\nRESULT=91\r", true},
        {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nRESULT=91", true},
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nRESULT=91", false},
        {"HTTP/1.1 200 OK\r\n\r\nSTATUS=0\r\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scanStartAnswerReady(c.first), c.second) << c.first;
}

TEST(HttpAnswer, IsCompleteWhenItsBodyHoldsItsContentLength)
{
    const std::pair<std::string, bool> cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n2", true},
        {"HTTP/1.1 200 OK\r\ncontent-length:2\r\n\r\n2", false},
        {"HTTP/1.1 200 OK\r\nCONTENT-LENGTH:\t0\r\n\r\n", true},
        {"HTTP/1.1 200 OK\nContent-Length: 3\n\nabcdef", true},
        {"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n", false},
        {"HTTP/1.1 200 OK\r\n\r\n2", false},
        {"HTTP/1.1 200 OK\r\nContent-Length: x\r\n\r\n2", false},
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n2", false},
        // A Content-Length in the body is no header.
        {"HTTP/1.1 200 OK\r\n\r\nContent-Length: 0\r\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(httpAnswerComplete(c.first), c.second) << c.first;
    EXPECT_EQ(httpBodyStart("A\r\n\r\nB"), 5u);
    EXPECT_EQ(httpBodyStart("A\n\nB"), 3u);
    EXPECT_EQ(httpBodyStart("A\r\nB\r\n"), std::string::npos);
}

TEST(Capabilities, NumbersAreTheirLeadingDigitsHeldToThirtyTwoBits)
{
    ScannerCapabilities capabilities;
    zeroRecord(capabilities);
    vuro_ParseScanCapabilities("MINRES=75dpi\nMAXRES=99999999999\nFAMILY=-3\nMAX_WIDTH\n=5\nduplex=true\n"
                               "PROFILE=\r\nCOLOR=COLOR \r\n",
                               capabilities);
    EXPECT_EQ(capabilities.minres, 75u);
    EXPECT_EQ(capabilities.maxres, UINT32_MAX);
    EXPECT_EQ(capabilities.family, 0u);
    EXPECT_EQ(capabilities.maxWidth, 0u);
    EXPECT_FALSE(capabilities.duplex);
    EXPECT_TRUE(capabilities.profile);
    EXPECT_FALSE(capabilities.color);
}

TEST(StreamHeaders, SizeIsTheLeadingDigitsOfItsSixBytes)
{
    const std::pair<const char*, uint32_t> cases[] = {
        {"004096", 4096}, {"999999", 999999}, {"000000", 0},  {"-00010", 0}, {"+00010", 0},
        {" 00010", 0},    {"12ab56", 12},     {"0010 5", 10}, {"42\n\0\0\0", 42},
    };
    for (const auto& c : cases)
        EXPECT_EQ(streamSize(reinterpret_cast<const uint8_t*>(c.first)), c.second) << c.first;
    // Nothing past the field is read: the digits after it do not count.
    const char header[] = "DATA  0000109999\n\n";
    EXPECT_EQ(streamSize(reinterpret_cast<const uint8_t*>(header) + kBlockHeaderSizeAt), 10u);
}

TEST(StreamHeaders, OnlyTheThreeFixedHeadersAreNoDataBlocks)
{
    const std::pair<std::string, BlockKind> cases[] = {
        {kNewFileHeader, BlockKind::NewPage},
        {kJobDoneHeader, BlockKind::JobDone},
        {kJobCancelHeader, BlockKind::JobCancelled},
        {"NEWFILE         \r\n", BlockKind::Data},
        {"JOBDONE\n          ", BlockKind::Data},
        {"DATA  004096     \n", BlockKind::Data},
    };
    for (const auto& c : cases)
        EXPECT_EQ(blockKind(reinterpret_cast<const uint8_t*>(c.first.data())), c.second) << c.first;
}

}  // namespace
