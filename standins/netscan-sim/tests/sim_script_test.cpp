// The simulated network scanner's script: what each directive makes it send,
// and the lines it refuses.

#include "netscan_protocol.h"
#include "sim_script.h"

#include <gtest/gtest.h>

namespace {

using namespace netscan_sim;

uint32_t sizeAt(const std::string& header, size_t offset)
{
    return streamSize(reinterpret_cast<const uint8_t*>(header.data()) + offset);
}

TEST(SimScript, StreamHeadersCarryTheirSizeWhereTheDaemonReadsIt)
{
    EXPECT_EQ(jobHeader(4), "JOBHEAD 000004     \n");
    EXPECT_EQ(sizeAt(jobHeader(4), kJobHeaderSizeAt), 4u);
    EXPECT_EQ(pageHeader(17), "PAGEH 000017     \n");
    EXPECT_EQ(dataHeader(999999).size(), kBlockHeaderSize);
    EXPECT_EQ(sizeAt(dataHeader(999999), kBlockHeaderSizeAt), 999999u);
}

TEST(SimScript, DirectivesMakeTheBytesTheySay)
{
    Script script;
    std::string error;
    ASSERT_TRUE(parseScript("# answers\n"
                            "adf hold delay 20 split 5 300 = a=b\\r\\n\\x00\n"
                            "osl length 9000 = xy\n"
                            "caps\n"
                            "job\n"
                            "  jobheader 2\n"
                            "newfile 1\n"
                            "data 3 0x41 x2\n"
                            "raw = DATA  -00001     \\n\n"
                            "pause 10\n"
                            "hold\n"
                            "job\n"
                            "jobdone\n"
                            "jobcancel\n",
                            script, error))
        << error;
    const Answer& adf = script.answers[static_cast<size_t>(Service::Adf)].at(0);
    EXPECT_TRUE(adf.send && adf.hold);
    EXPECT_EQ(adf.bytes, std::string("a=b\r\n\0", 6));
    EXPECT_EQ(adf.delayMs, 20);
    EXPECT_EQ(adf.splitAt, 5u);
    EXPECT_EQ(adf.splitMs, 300);
    EXPECT_EQ(script.answers[static_cast<size_t>(Service::Osl)].at(0).bytes, std::string("\0\0\x23\x28xy", 6));
    EXPECT_FALSE(script.answers[static_cast<size_t>(Service::Caps)].at(0).send);

    ASSERT_EQ(script.jobs.size(), 2u);
    const std::vector<Step>& first = script.jobs[0];
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[0].bytes, jobHeader(2) + "JJ");
    EXPECT_EQ(first[1].bytes, std::string(kNewFileHeader) + pageHeader(1) + "P");
    EXPECT_EQ(first[2].bytes, dataHeader(3) + "AAA");
    EXPECT_EQ(first[2].count, 2);
    EXPECT_EQ(first[3].bytes, "DATA  -00001     \n");
    EXPECT_EQ(first[4].kind, Step::Kind::Pause);
    EXPECT_EQ(first[5].kind, Step::Kind::Hold);
    EXPECT_EQ(script.jobs[1][0].bytes + script.jobs[1][1].bytes, std::string(kJobDoneHeader) + kJobCancelHeader);
}

TEST(SimScript, RefusesWhatItCannotSend)
{
    const std::pair<const char*, const char*> cases[] = {
        {"start = \\q", "line 1: bad escape"},
        {"start = \\x4", "line 1: bad escape"},
        {"abort split 5 = x", "line 1: bad option split"},
        {"adf length 3 = x", "line 1: bad option length"},
        {"data 4 0x41", "line 1: unknown directive data"},
        {"job\ndata 1000000 0", "line 2: bad step data"},
        {"job\ndata 4 256", "line 2: bad data step"},
        {"job\nnewfile", "line 2: bad step newfile"},
        {"job\nraw 12", "line 2: bad step raw"},
    };
    for (const auto& c : cases) {
        Script script;
        std::string error;
        EXPECT_FALSE(parseScript(c.first, script, error)) << c.first;
        EXPECT_EQ(error, c.second) << c.first;
    }
}

TEST(SimScript, LogEscapesReadBackAsTheSameBytes)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    std::string back;
    ASSERT_TRUE(unescape(escape(all), back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(escape("a\\b\r\n\x01"), "a\\\\b\\r\\n\\x01");
}

}  // namespace
