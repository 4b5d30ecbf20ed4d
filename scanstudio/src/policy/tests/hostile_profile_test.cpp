// Hand-edited or damaged profiles: loading never crashes, containers of the
// wrong type read as absent, and whatever loads saves and loads back alike.
#include "libpolicy.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string nested(const std::string& open, const std::string& inner, const std::string& close, int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += open;
    text += inner;
    for (int i = 0; i < depth; ++i)
        text += close;
    return text;
}

std::string many_scanners(int count)
{
    std::string text = "{\"version\":\"1.0\",\"scanners\":[";
    for (int i = 0; i < count; ++i)
        text += (i ? ",{\"name\":\"s" : "{\"name\":\"s") + std::to_string(i) + "\"}";
    return text + "]}";
}

struct hostile_case {
    const char* what;
    std::string text;
    std::size_t scanners;  // after loading
    std::size_t presets;   // of the first scanner
    bool has_last;         // the first scanner's
};

const std::string v = "{\"version\":\"1.0\",";

const hostile_case kCases[] = {
    {"config is an array", v + "\"config\":[1,2]}", 0, 0, false},
    {"config is text", v + "\"config\":\"paper\"}", 0, 0, false},
    {"config is a number", v + "\"config\":1e300}", 0, 0, false},
    {"scanners is an object", v + "\"scanners\":{\"first\":{\"name\":\"S\"}}}", 0, 0, false},
    {"scanners is text", v + "\"scanners\":\"S\"}", 0, 0, false},
    {"scanners is a number", v + "\"scanners\":7}", 0, 0, false},
    {"scanners holds scalars", v + "\"scanners\":[1,\"a\",null,true,[],[{}],{\"name\":\"S\"}]}", 1, 0, false},
    {"policys is an object", v + "\"scanners\":[{\"policys\":{\"p\":{\"name\":\"p\"}}}]}", 1, 0, false},
    {"policys is a number", v + "\"scanners\":[{\"policys\":-1}]}", 1, 0, false},
    {"policys holds scalars", v + "\"scanners\":[{\"policys\":[0,\"p\",null,[{}],{\"name\":\"p\"}]}]}", 1, 1, false},
    {"last is a number", v + "\"scanners\":[{\"last\":5}]}", 1, 0, false},
    {"last is an array", v + "\"scanners\":[{\"last\":[{\"dpi\":1}]}]}", 1, 0, false},
    {"last is text", v + "\"scanners\":[{\"last\":\"Photos\"}]}", 1, 0, false},
    {"last is null", v + "\"scanners\":[{\"last\":null}]}", 1, 0, false},
    {"huge numbers everywhere",
     v + "\"policy_index\":-1e308,\"config\":{\"paper_type\":1e308,\"paper_unit\":-1e308,\"light\":18446744073709551615,"
         "\"contrast\":-9223372036854775808,\"erase_background_value\":1.5e308,\"paper_width\":-1e308,"
         "\"use_deskew\":1e308},\"scanners\":[{\"name\":1e308,\"policys\":[{\"dpi\":1e300,\"category\":-1e300,"
         "\"color\":1099511627776,\"image\":-1099511627776,\"medium\":1.5e308,\"quality\":-1.5e308,\"style\":4e9,"
         "\"sendto\":-1e-300}],\"last\":{\"dpi\":\"999999999999999999999999\"}}]}",
     1, 1, true},
    {"version is a huge number", "{\"version\":1e308,\"scanners\":[{}]}", 1, 0, false},
    {"version is an array", "{\"version\":[1,0],\"scanners\":[{}]}", 0, 0, false},
    {"deep nesting inside a member", v + "\"config\":" + nested("[", "1", "]", 500) + ",\"scanners\":[{}]}", 1, 0, false},
    {"deep objects inside a member", v + "\"scanners\":[{\"last\":" + nested("{\"a\":", "1", "}", 500) + "}]}", 1, 0, true},
    {"duplicate keys", v + "\"scanners\":[{\"name\":\"a\"}],\"scanners\":[{\"name\":\"b\"},{}]}", 2, 0, false},
    {"nul and control bytes in texts", v + "\"scanners\":[{\"name\":\"a\\u0000b\\n\\t\",\"uuid\":\"\\u001f\"}]}", 1, 0, false},
    {"bytes that are no UTF-8", v + "\"scanners\":[{\"name\":\"\xff\xfe\x80\",\"driver\":\"\xc3\"}]}", 1, 0, false},
    {"very long texts", v + "\"scanners\":[{\"name\":\"" + std::string(1 << 20, 'n') + "\"}]}", 1, 0, false},
    {"many scanners: the newest are kept", many_scanners(5000), vuro::kMaxScanners, 0, false},
};

TEST(HostileProfile, LoadsWithoutCrashingAndReadsWrongContainersAsAbsent)
{
    for (const hostile_case& c : kCases) {
        SCOPED_TRACE(c.what);
        testsupport::TempFolder dir;
        std::string file = dir.file("scanApp.conf");
        testsupport::writeText(file, c.text);

        vuro::profile prof(dir.file("default.conf"));
        ASSERT_TRUE(prof.load(file.c_str()));
        ASSERT_EQ(prof.scanners.size(), c.scanners);
        if (c.scanners > 0) {
            EXPECT_EQ(prof.scanners[0]->policys.size(), c.presets);
            EXPECT_EQ(static_cast<bool>(prof.scanners[0]->last), c.has_last);
        }

        // What loaded saves, and the saved text loads back to the same text.
        ASSERT_TRUE(prof.save(dir.file("saved.conf").c_str()));
        vuro::profile again(dir.file("default.conf"));
        ASSERT_TRUE(again.load(dir.file("saved.conf").c_str()));
        ASSERT_TRUE(again.save(dir.file("again.conf").c_str()));
        EXPECT_EQ(testsupport::readText(dir.file("again.conf")), testsupport::readText(dir.file("saved.conf")));
    }
}

TEST(HostileProfile, WrongConfigTypeKeepsTheDefaults)
{
    testsupport::TempFolder dir;
    testsupport::writeText(dir.file("scanApp.conf"), v + "\"config\":[1,2]}");
    vuro::profile prof(dir.file("default.conf"));
    prof.config.file_rule = "changed";
    ASSERT_TRUE(prof.load(dir.file("scanApp.conf").c_str()));
    EXPECT_EQ(prof.config.file_rule, "taliro_%datetime%");
    EXPECT_EQ(prof.config.paper_width, "210");
}

}  // namespace
