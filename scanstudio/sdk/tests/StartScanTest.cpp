// Setting a job's options and starting it.

#include "StandinFixture.h"

#include <gtest/gtest.h>

namespace {

// Distinct values, so a field sent to the wrong option shows.
tagSettingInfo request(std::uint8_t colorMode, std::uint8_t feederEnabled)
{
    tagSettingInfo info;
    info.xStart = 5;
    info.yStart = 6;
    info.xEnd = 205;
    info.yEnd = 290;
    info.resolution = 300;
    info.colorMode = colorMode;
    info.feederEnabled = feederEnabled;
    info.option5Value = 3;
    info.option6Value = 4;
    return info;
}

std::vector<std::string> optionsSent(const std::string &mode, const std::string &source)
{
    return {"option 3 set " + mode, "option 1000 set", "option 13 set " + source,
            "option 4 set 300",     "option 5 set 3",  "option 6 set 4",
            "option 8 set 5",       "option 9 set 6",  "option 10 set 205",
            "option 11 set 290",    "start"};
}

struct TextCase {
    std::uint8_t colorMode;
    std::uint8_t feederEnabled;
    const char *mode;
    const char *source;
};

void PrintTo(const TextCase &c, std::ostream *out)
{
    *out << c.mode << " / " << c.source;
}

class StartOptions : public StandinFixture, public ::testing::WithParamInterface<TextCase> {};

TEST_P(StartOptions, ReachTheBackendInOrderWithTheirValues)
{
    const TextCase &c = GetParam();
    auto session = openSession();
    EXPECT_EQ(session->StartScan(request(c.colorMode, c.feederEnabled), basePath()), SANE_STATUS_GOOD);
    EXPECT_EQ(callLogFrom("option 3"), optionsSent(c.mode, c.source));
}

INSTANTIATE_TEST_SUITE_P(Texts, StartOptions,
                         ::testing::Values(TextCase{0, 0, "BINARY", "Flatbed"},
                                           TextCase{1, 1, "GRAY", "Automatic Document Feeder"},
                                           TextCase{2, 2, "COLOR", "Auto Select"},
                                           TextCase{7, 200, "COLOR", "Auto Select"}));

struct RefusalCase {
    const char *name;
    std::string scriptLine;
    int refusedOption;  // -1: the start itself is refused
    int status;
};

void PrintTo(const RefusalCase &c, std::ostream *out)
{
    *out << c.name;
}

class StartRefused : public StandinFixture, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(StartRefused, StopsAtTheRefusalAndReturnsItsStatus)
{
    const RefusalCase &c = GetParam();
    script({c.scriptLine, "fail_status=" + std::to_string(c.status)});
    auto session = openSession();
    EXPECT_EQ(session->StartScan(request(2, 1), basePath()), c.status);

    std::vector<std::string> expected = optionsSent("COLOR", "Automatic Document Feeder");
    if (c.refusedOption >= 0) {
        const std::string refused = "option " + std::to_string(c.refusedOption) + " set";
        auto at = expected.begin();
        while (at->rfind(refused, 0) != 0)
            ++at;
        *at = refused + " refused";
        expected.erase(at + 1, expected.end());
    }
    EXPECT_EQ(callLogFrom("option 3"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, StartRefused,
    ::testing::Values(RefusalCase{"Mode", "fail_option=3", 3, SANE_STATUS_INVAL},
                      RefusalCase{"Prepare", "fail_option=1000", 1000, SANE_STATUS_DEVICE_BUSY},
                      RefusalCase{"Source", "fail_option=13", 13, SANE_STATUS_INVAL},
                      RefusalCase{"Resolution", "fail_option=4", 4, SANE_STATUS_INVAL},
                      RefusalCase{"AreaBottom", "fail_option=11", 11, SANE_STATUS_IO_ERROR},
                      RefusalCase{"Start", "start_status=7", -1, SANE_STATUS_NO_DOCS}),
    [](const ::testing::TestParamInfo<RefusalCase> &info) { return info.param.name; });

}  // namespace
