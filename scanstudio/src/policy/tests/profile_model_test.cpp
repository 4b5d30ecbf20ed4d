// The profile's scanner and preset lists and the presets' own rules.
#include "libpolicy.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

namespace {

std::string names_of(const vuro::scanner& device)
{
    std::string names;
    for (const auto& p : device.policys)
        names += p->name;
    return names;
}

vuro::scanner scanner_with(const std::string& names)
{
    vuro::scanner device;
    for (char n : names) {
        auto p = std::make_shared<vuro::policy>();
        p->name = std::string(1, n);
        device.policys.push_back(p);
    }
    return device;
}

TEST(ProfileScanners, AddingTheSameScannerTwiceKeepsOneEntry)
{
    vuro::profile prof("/nonexistent/scanApp.conf");
    bool existed = true;
    auto first = prof.add_scanner("vuro_q804:usb", existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    EXPECT_EQ(first->name, "vuro_q804:usb");
    EXPECT_EQ(first->driver, "");
    EXPECT_EQ(first->uuid, "");
    EXPECT_TRUE(first->policys.empty());
    ASSERT_TRUE(first->last);
    EXPECT_EQ(first->last->dpi, 300);

    auto second = prof.add_scanner("vuro_q804:usb", existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(second, first);
    EXPECT_EQ(prof.scanners.size(), 1u);
}

TEST(ProfileScanners, LookupIsExactAndRemovalKeepsTheOrder)
{
    vuro::profile prof("/nonexistent/scanApp.conf");
    bool existed = false;
    for (const char* name : {"a", "B", "c", "a2"})
        prof.add_scanner(name, existed);
    EXPECT_FALSE(prof.get_scanner("b"));
    EXPECT_FALSE(prof.get_scanner("A"));
    EXPECT_FALSE(prof.get_scanner(""));
    EXPECT_EQ(prof.get_scanner("B"), prof.scanners[1]);

    EXPECT_TRUE(prof.remove_scanner("B"));
    EXPECT_FALSE(prof.remove_scanner("B"));
    ASSERT_EQ(prof.scanners.size(), 3u);
    EXPECT_EQ(prof.scanners[0]->name + prof.scanners[1]->name + prof.scanners[2]->name, "aca2");

    prof.policy_index = 5;
    prof.version = "1.1";
    prof.empty();
    EXPECT_TRUE(prof.scanners.empty());
    EXPECT_EQ(prof.policy_index, 0);
    EXPECT_EQ(prof.version, "1.1");
}

TEST(ScannerPresets, RemovingByNameOrIndexKeepsTheOthersInOrder)
{
    struct case_t {
        const char* start;
        const char* name;  // null: remove by index
        int index;
        bool removed;
        const char* after;
    } cases[] = {
        {"abcd", "b", 0, true, "acd"},
        {"abcb", "b", 0, true, "acb"},
        {"abcd", "x", 0, false, "abcd"},
        {"", "a", 0, false, ""},
        {"abcd", nullptr, 0, true, "bcd"},
        {"abcd", nullptr, 3, true, "abc"},
        {"abcd", nullptr, 4, false, "abcd"},
        {"abcd", nullptr, -1, false, "abcd"},
    };
    for (const case_t& c : cases) {
        vuro::scanner device = scanner_with(c.start);
        bool removed = c.name ? device.remove_policy(std::string(c.name)) : device.remove_policy(c.index);
        EXPECT_EQ(removed, c.removed) << c.start << " " << (c.name ? c.name : std::to_string(c.index));
        EXPECT_EQ(names_of(device), c.after) << c.start << " " << (c.name ? c.name : std::to_string(c.index));
    }
}

TEST(ScannerPresets, LookupByNameFindsTheFirst)
{
    vuro::scanner device = scanner_with("abab");
    EXPECT_EQ(device.get_policy_index("b"), 1);
    EXPECT_EQ(device.get_policy("b"), device.policys[1]);
    EXPECT_EQ(device.get_policy_index("z"), -1);
    EXPECT_FALSE(device.get_policy("z"));
    EXPECT_FALSE(device.get_policy("B"));
}

TEST(ScannerPresets, SettingTheLastPresetReturnsTheOneBefore)
{
    vuro::scanner device;
    auto one = std::make_shared<vuro::policy>();
    auto two = std::make_shared<vuro::policy>();
    EXPECT_FALSE(device.set_lastpolicy(one));
    EXPECT_EQ(device.set_lastpolicy(two), one);
    EXPECT_EQ(device.last, two);
}

TEST(ScannerPresets, BuiltInPresets)
{
    auto picture = vuro::scanner::get_def_policy(policy_picture);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->dpi, 300);
    EXPECT_EQ(picture->color, color_full);
    EXPECT_EQ(picture->image, image_jpg);

    auto document = vuro::scanner::get_def_policy(policy_document);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->dpi, 200);
    EXPECT_EQ(document->color, color_gray);
    EXPECT_EQ(document->quality, 0);
    EXPECT_EQ(document->image, image_pdf);
    EXPECT_EQ(document->category, 0);
    EXPECT_NE(vuro::scanner::get_def_policy(policy_document), document);

    EXPECT_FALSE(vuro::scanner::get_def_policy(static_cast<vuro_policy_type>(2)));
    EXPECT_FALSE(vuro::scanner::get_def_policy(static_cast<vuro_policy_type>(-1)));
}

TEST(Presets, FormatSourceAndMediumQuestions)
{
    struct case_t {
        int image;
        bool multi_page;
    } images[] = {{0, false}, {1, false}, {2, false}, {3, true}, {4, true}, {5, true}, {6, false}, {-1, false}};
    for (const case_t& c : images) {
        vuro::policy p;
        p.image = static_cast<vuro_image_format>(c.image);
        EXPECT_EQ(p.is_mulitdocument(), c.multi_page) << c.image;
    }

    struct source_t {
        int category;
        bool feeder, flatbed;
    } sources[] = {{0, false, true}, {1, true, false}, {2, false, false}};
    for (const source_t& c : sources) {
        vuro::policy p;
        p.category = c.category;
        EXPECT_EQ(p.is_feeder(), c.feeder) << c.category;
        EXPECT_EQ(p.is_flatbed(), c.flatbed) << c.category;
    }

    vuro::policy p;
    EXPECT_FALSE(p.is_medium_idcard());
    p.medium = medium_idcard;
    EXPECT_TRUE(p.is_medium_idcard());
}

TEST(Presets, CopiesCarryEveryFieldIncludingTheUnstoredOnes)
{
    vuro::policy original;
    original.name = "Receipts";
    original.category = 1;
    original.color = color_mono;
    original.image = image_tif;
    original.medium = medium_idcard;
    original.reserved_first = INT64_MIN;
    original.reserved_second = 1234567890123;
    original.dpi = 1200;
    original.sendto = true;
    original.style = 9;
    original.quality = 5;
    original.muilt_out_stream_color = true;
    original.muilt_out_stream_gray = true;
    original.muilt_out_stream_mono = true;

    vuro::policy copy(original);
    vuro::policy assigned;
    assigned = original;
    for (const vuro::policy* p : {&copy, &assigned}) {
        EXPECT_EQ(p->to_value(), original.to_value());
        EXPECT_EQ(p->reserved_first, INT64_MIN);
        EXPECT_EQ(p->reserved_second, 1234567890123);
    }
    original.name[0] = 'X';
    EXPECT_EQ(copy.name, "Receipts");

    copy.empty();
    EXPECT_EQ(copy.to_value(), vuro::policy().to_value());
    EXPECT_EQ(copy.reserved_first, 0);
    EXPECT_EQ(copy.reserved_second, 0);
}

TEST(Config, EraseBackgroundByFlagOrValue)
{
    struct case_t {
        bool flag;
        int value;
        bool erase;
    } cases[] = {{false, 0, false}, {true, 0, true}, {false, 1, true}, {false, -3, false}, {true, -3, true}};
    for (const case_t& c : cases) {
        vuro::config conf;
        conf.use_erase_background = c.flag;
        conf.erase_background_value = c.value;
        EXPECT_EQ(conf.is_erase_background(), c.erase) << c.flag << " " << c.value;
    }
}

TEST(ProfilePolicyIndex, CountsOnAndSavesToTheDefaultFile)
{
    struct case_t {
        int before;
        int after;
    } cases[] = {{0, 1}, {6, 7}, {-1, 1}, {INT_MIN, 1}, {INT_MAX, 1}};
    for (const case_t& c : cases) {
        testsupport::TempFolder dir;
        std::string default_file = dir.file("scan/scanApp.conf");
        vuro::profile prof(default_file);
        prof.policy_index = c.before;
        EXPECT_EQ(prof.get_policy_index(), c.after) << c.before;
        EXPECT_EQ(prof.policy_index, c.after);

        vuro::profile stored(default_file);
        ASSERT_TRUE(stored.load(nullptr)) << c.before;
        EXPECT_EQ(stored.policy_index, c.after);
    }
}

}  // namespace
