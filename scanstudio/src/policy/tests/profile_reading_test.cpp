// How each stored member is read, whatever JSON type a hand edit gave it.
#include "libpolicy.h"
#include "profile_text.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// Loads `text` as a whole profile file from memory.
vuro::profile load_text(const std::string& text)
{
    Json::Value root;
    EXPECT_TRUE(vuro::profile_text::parse(text, root)) << text;
    vuro::profile prof("/nonexistent/scanApp.conf");
    prof.load(root);
    return prof;
}

// A profile whose one scanner has one preset with the given members.
vuro::policy load_preset(const std::string& members)
{
    vuro::profile prof =
        load_text("{\"version\":\"1.0\",\"scanners\":[{\"name\":\"S\",\"policys\":[{" + members + "}]}]}");
    if (prof.scanners.size() != 1 || prof.scanners[0]->policys.size() != 1) {
        ADD_FAILURE() << "preset not loaded: " << members;
        return vuro::policy();
    }
    return *prof.scanners[0]->policys[0];
}

vuro::config load_config(const std::string& members)
{
    return load_text("{\"version\":\"1.0\",\"config\":{" + members + "}}").config;
}

TEST(ProfileReading, IntegerMembersTakeTheirIntegerValue)
{
    struct case_t {
        const char* stored;  // empty: member missing
        int dpi;
    } cases[] = {
        {"", 200},
        {"600", 600},
        {"\"300dpi\"", 300},
        {"\"  42 x\"", 42},
        {"\"-75\"", -75},
        {"\"dpi300\"", 0},
        {"\"\"", 0},
        {"true", 1},
        {"false", 0},
        {"null", 200},
        {"[300]", 200},
        {"{\"dpi\":300}", 200},
        {"150.9", 150},
        {"-7.9", -7},
        // Out of range numbers are held to the int range.
        {"1e300", INT_MAX},
        {"-1e300", INT_MIN},
        {"1099511627776", INT_MAX},
        {"-1099511627776", INT_MIN},
        {"18446744073709551615", INT_MAX},
        {"-9223372036854775808", INT_MIN},
        {"\"99999999999999999999\"", INT_MAX},
        {"\"-99999999999999999999\"", INT_MIN},
    };
    for (const case_t& c : cases) {
        std::string member = *c.stored ? std::string("\"dpi\":") + c.stored : "";
        EXPECT_EQ(load_preset(member).dpi, c.dpi) << member;
    }
}

TEST(ProfileReading, BooleanMembersAcceptTrueTextAndNonZeroNumbers)
{
    struct case_t {
        const char* stored;
        bool sendto;
    } cases[] = {
        {"true", true},   {"false", false}, {"\"TRUE\"", true},  {"\"True\"", true},
        {"\"yes\"", false}, {"\"1\"", false}, {"\" true\"", false}, {"2", true},
        {"-1", true},     {"0", false},     {"0.5", false},      {"1e300", true},
        {"null", false},  {"[true]", false}, {"{}", false},
    };
    for (const case_t& c : cases)
        EXPECT_EQ(load_preset(std::string("\"sendto\":") + c.stored).sendto, c.sendto) << c.stored;
}

TEST(ProfileReading, TextMembersPrintNumbersAndDropOtherTypes)
{
    struct case_t {
        const char* stored;  // empty: member missing
        std::string paper_width;
    } cases[] = {
        {"", "210"},
        {"\"215.9\"", "215.9"},
        {"210", "210.000000"},
        {"-0.5", "-0.500000"},
        {"8.25e1", "82.500000"},
        {"1e22", "1" + std::string(22, '0') + ".000000"},
        {"null", ""},
        {"true", ""},
        {"[210]", ""},
        {"{}", ""},
    };
    for (const case_t& c : cases) {
        std::string member = *c.stored ? std::string("\"paper_width\":") + c.stored : "";
        EXPECT_EQ(load_config(member).paper_width, c.paper_width) << member;
    }
    // The largest double has 309 digits before the point.
    EXPECT_EQ(load_config("\"paper_height\":1.7976931348623157e308").paper_height.size(), 309u + 7u);
}

TEST(ProfileReading, MissingPresetMembersReadTheStoredDefaults)
{
    vuro::policy read = load_preset("");
    EXPECT_EQ(read.name, "");
    EXPECT_EQ(read.category, 0);
    EXPECT_EQ(read.color, color_full);
    EXPECT_EQ(read.image, image_jpg);
    EXPECT_EQ(read.medium, medium_paper);
    EXPECT_EQ(read.dpi, 200);  // a new preset has 300
    EXPECT_EQ(read.style, 0);
    EXPECT_EQ(read.quality, 0);
    EXPECT_FALSE(read.sendto);
    EXPECT_FALSE(read.muilt_out_stream_color || read.muilt_out_stream_gray || read.muilt_out_stream_mono);
}

TEST(ProfileReading, MissingConfigMembersReadTheDefaultsButNoNamingRuleOrFolder)
{
    vuro::config read = load_config("\"light\":5");
    EXPECT_EQ(read.light, 5);
    EXPECT_EQ(read.paper_type, 0);
    EXPECT_EQ(read.paper_unit, unit_mm);
    EXPECT_EQ(read.paper_width, "210");
    EXPECT_EQ(read.paper_height, "297");
    EXPECT_EQ(read.erase_background_value, 0);
    EXPECT_EQ(read.contrast, 0);
    EXPECT_FALSE(read.use_erase_background || read.use_detectOrientation || read.use_erase_black || read.use_deskew);
    EXPECT_EQ(read.file_rule, "");
    EXPECT_EQ(read.save_directory, "");

    // Without any config the new-profile defaults stand.
    vuro::config untouched = load_text("{\"version\":\"1.0\"}").config;
    EXPECT_EQ(untouched.file_rule, "taliro_%datetime%");
    EXPECT_EQ(untouched.save_directory, get_default_vuro_scan_doucments_directory());
}

TEST(ProfileReading, ScannerMembersAndTheLastPreset)
{
    vuro::profile prof = load_text(
        "{\"version\":\"1.0\",\"policy_index\":\"12th\",\"scanners\":["
        "{\"name\":\"A\",\"driver\":7,\"uuid\":null,\"last\":{\"name\":\"l\",\"dpi\":75}},"
        "{}]}");
    EXPECT_EQ(prof.policy_index, 12);
    ASSERT_EQ(prof.scanners.size(), 2u);
    const vuro::scanner& a = *prof.scanners[0];
    EXPECT_EQ(a.name, "A");
    EXPECT_EQ(a.driver, "7.000000");
    EXPECT_EQ(a.uuid, "");
    EXPECT_TRUE(a.policys.empty());
    ASSERT_TRUE(a.last);
    EXPECT_EQ(a.last->name, "l");
    EXPECT_EQ(a.last->dpi, 75);
    const vuro::scanner& blank = *prof.scanners[1];
    EXPECT_EQ(blank.name, "");
    EXPECT_TRUE(blank.policys.empty());
    EXPECT_FALSE(blank.last);
}

TEST(ProfileReading, PresetsKeepTheirStoredOrder)
{
    vuro::profile prof = load_text(
        "{\"version\":\"1.0\",\"scanners\":[{\"name\":\"S\",\"policys\":"
        "[{\"name\":\"c\"},{\"name\":\"a\"},{\"name\":\"b\"},{\"name\":\"a\"}]}]}");
    ASSERT_EQ(prof.scanners.size(), 1u);
    std::string order;
    for (const auto& p : prof.scanners[0]->policys)
        order += p->name;
    EXPECT_EQ(order, "caba");
}

TEST(ProfileReading, AnyJsonValueLoadsWithoutThrowing)
{
    Json::Value array(Json::arrayValue);
    array.append(Json::Value("1.0"));
    for (const Json::Value& value : {Json::Value(), Json::Value(5), Json::Value("1.0"), Json::Value(true), array}) {
        vuro::profile prof("/nonexistent/scanApp.conf");
        bool existed = false;
        prof.add_scanner("S", existed);
        EXPECT_TRUE(prof.load(value));
        EXPECT_TRUE(prof.scanners.empty());
        EXPECT_EQ(prof.version, "1.0");

        vuro::policy preset;
        preset.load(value);
        EXPECT_EQ(preset.dpi, 200);
        vuro::config conf;
        conf.load(value);
        EXPECT_EQ(conf.paper_width, "210");
        vuro::scanner device;
        device.load(value);
        EXPECT_TRUE(device.name.empty());
    }
}

}  // namespace
