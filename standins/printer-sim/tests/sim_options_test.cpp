#include "hex_text.h"
#include "sim_options.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>
#include <vector>

namespace {

using printer_sim::SimOptions;

TEST(SimAddress, OnlyLoopbackAboveTheHostAddress)
{
    struct Case {
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"127.0.0.2", true},        {"127.0.0.3", true},          {"127.1.2.3", true},
        {"127.255.255.254", true},  {"127.0.0.1", false},         {"127.0.0.0", false},
        {"127.255.255.255", false}, {"0.0.0.0", false},           {"10.0.0.2", false},
        {"192.168.1.20", false},    {"128.0.0.2", false},         {"126.255.255.255", false},
        {"127.0.0.02", false},      {"127.0.0.2 ", false},        {"127.0.2", false},
        {"localhost", false},       {"::1", false},               {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(printer_sim::isSimAddress(c.text, nullptr), c.accepted) << c.text;

    in_addr address{};
    ASSERT_TRUE(printer_sim::isSimAddress("127.0.0.9", &address));
    EXPECT_EQ(ntohl(address.s_addr), 0x7F000009u);
}

bool parse(std::vector<const char*> args, SimOptions* options, std::string* error)
{
    args.insert(args.begin(), "printer-sim");
    return printer_sim::parseSimOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(SimOptions, ReadsEveryOptionAndKeepsTheTimeBound)
{
    SimOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--address", "127.0.0.4", "--reply", "/r", "--log", "/l", "--max-requests", "3",
                       "--max-seconds", "9"},
                      &options, &error))
        << error;
    EXPECT_EQ(ntohl(options.address.s_addr), 0x7F000004u);
    EXPECT_EQ(options.replyPath, "/r");
    EXPECT_EQ(options.logPath, "/l");
    EXPECT_EQ(options.maxRequests, 3);
    EXPECT_EQ(options.maxSeconds, 9);

    SimOptions defaults;
    ASSERT_TRUE(parse({"--address", "127.0.0.2"}, &defaults, &error));
    EXPECT_EQ(defaults.maxRequests, 0);
    EXPECT_EQ(defaults.maxSeconds, 60);
}

TEST(SimOptions, RefusesWhatWouldLeaveTheTestBed)
{
    const std::vector<std::vector<const char*>> refused = {
        {},
        {"--reply", "/r"},
        {"--address", "127.0.0.1"},
        {"--address", "0.0.0.0"},
        {"--address", "192.168.1.20"},
        {"--address"},
        {"--address", "127.0.0.2", "--max-seconds", "0"},
        {"--address", "127.0.0.2", "--max-seconds", "3601"},
        {"--address", "127.0.0.2", "--max-seconds", "-5"},
        {"--address", "127.0.0.2", "--max-requests", "2x"},
        {"--address", "127.0.0.2", "--max-requests", "-1"},
        {"--address", "127.0.0.2", "--port", "9100"},
    };
    for (const auto& args : refused) {
        SimOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, &options, &error)) << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimLog, HexIsUpperCasePairs)
{
    const std::uint8_t bytes[] = {0xA5, 0x00, 0x0c, 0xfe};
    EXPECT_EQ(printer_sim::hexText(bytes, sizeof bytes), "A5 00 0C FE");
    EXPECT_EQ(printer_sim::hexText(bytes, 0), "");
}

}  // namespace
