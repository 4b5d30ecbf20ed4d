#include "command_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using command_frame::HeaderCheck;
using Bytes = std::vector<std::uint8_t>;

TEST(CommandFrame, BuildsTheFramesPrintersExpect)
{
    struct Case {
        std::uint8_t function;
        std::uint8_t operation;
        Bytes body;
        Bytes frame;
    };
    const Case cases[] = {
        {0x74, 0x08, {0x03, 0, 0, 0, 0, 0, 0, 0},
         {0xA5, 0x00, 0x0C, 0x50, 0xE0, 0x74, 0x08, 0x03, 0, 0, 0, 0, 0, 0, 0}},
        {0x2E, 0x02, {0x01, 0x01, 0x01}, {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x2E, 0x02, 0x01, 0x01, 0x01}},
        {0xB2, 0x02, {0x00, 0x00, 0x01, 0x00, 0x01, 0x63, 0x74},
         {0xA5, 0x00, 0x0B, 0x50, 0xE0, 0xB2, 0x02, 0x00, 0x00, 0x01, 0x00, 0x01, 0x63, 0x74}},
        {0x74, 0x01, {}, {0xA5, 0x00, 0x04, 0x50, 0xE0, 0x74, 0x01}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(command_frame::buildFrame(c.function, c.operation, c.body.data(), c.body.size()), c.frame);
        EXPECT_EQ(command_frame::checkHeader(c.frame.data(), c.frame.size()), HeaderCheck::Ok);
    }
    const Bytes statusQuery(command_frame::kStatusQuery.begin(), command_frame::kStatusQuery.end());
    EXPECT_EQ(statusQuery, cases[0].frame);
}

TEST(CommandFrame, LengthFieldIsBigEndianUpToItsLimit)
{
    const Bytes body300(300, 0x11);
    const Bytes frame = command_frame::buildFrame(0xB2, 0x03, body300.data(), body300.size());
    ASSERT_EQ(frame.size(), 307u);
    EXPECT_EQ(frame[1], 0x01);
    EXPECT_EQ(frame[2], 0x30);  // 304 bytes after the length field

    const Bytes largest(command_frame::kMaxBodySize, 0);
    const Bytes full = command_frame::buildFrame(0x2E, 0x00, largest.data(), largest.size());
    ASSERT_EQ(full.size(), command_frame::kMaxFrameSize);
    EXPECT_EQ(full[1], 0xFF);
    EXPECT_EQ(full[2], 0xFF);

    const Bytes tooLong(command_frame::kMaxBodySize + 1, 0);
    EXPECT_TRUE(command_frame::buildFrame(0x2E, 0x00, tooLong.data(), tooLong.size()).empty());
}

TEST(CommandFrame, HeaderCheckNamesWhatIsWrong)
{
    struct Case {
        const char* what;
        Bytes bytes;
        HeaderCheck expected;
    };
    const Case cases[] = {
        {"nothing", {}, HeaderCheck::TooShort},
        {"six bytes", {0xA5, 0x00, 0x03, 0x50, 0xE0, 0x74}, HeaderCheck::TooShort},
        {"header only", {0xA5, 0x00, 0x04, 0x50, 0xE0, 0x74, 0x08}, HeaderCheck::Ok},
        {"wrong start", {0xA4, 0x00, 0x04, 0x50, 0xE0, 0x74, 0x08}, HeaderCheck::BadStartByte},
        {"length one short", {0xA5, 0x00, 0x03, 0x50, 0xE0, 0x74, 0x08}, HeaderCheck::BadLength},
        {"length one long", {0xA5, 0x00, 0x05, 0x50, 0xE0, 0x74, 0x08}, HeaderCheck::BadLength},
        {"length little-endian", {0xA5, 0x05, 0x00, 0x50, 0xE0, 0x74, 0x08, 1, 2, 3, 4, 5}, HeaderCheck::BadLength},
        {"total length counted", {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x74, 0x08}, HeaderCheck::BadLength},
        {"markers swapped", {0xA5, 0x00, 0x04, 0xE0, 0x50, 0x74, 0x08}, HeaderCheck::BadMarker},
        {"second marker", {0xA5, 0x00, 0x04, 0x50, 0xE1, 0x74, 0x08}, HeaderCheck::BadMarker},
    };
    for (const Case& c : cases)
        EXPECT_EQ(command_frame::checkHeader(c.bytes.data(), c.bytes.size()), c.expected) << c.what;
}

}  // namespace
