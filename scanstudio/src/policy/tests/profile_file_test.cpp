// Loading and saving scanApp.conf: the stored text, the version rule, load
// failures and the way the file is replaced.
#include "libpolicy.h"
#include "profile_text.h"
#include "temp_folder.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <taliro/install_root.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

std::shared_ptr<vuro::policy> make_policy(const std::string& name, int seed)
{
    auto p = std::make_shared<vuro::policy>();
    p->name = name;
    p->category = 1;
    p->color = color_mono;
    p->image = image_ofd;
    p->medium = medium_idcard;
    p->dpi = 600 + seed;
    p->sendto = true;
    p->style = 3 + seed;
    p->quality = 4;
    p->muilt_out_stream_color = true;
    p->muilt_out_stream_gray = seed % 2 == 0;
    p->muilt_out_stream_mono = true;
    return p;
}

// Every stored field away from its default.
vuro::profile make_full_profile(const std::string& default_path)
{
    vuro::profile prof(default_path);
    vuro::config& c = prof.config;
    c.paper_type = 2;
    c.paper_width = "215.5";
    c.paper_height = "355";
    c.paper_unit = unit_inch;
    c.use_erase_background = true;
    c.use_detectOrientation = true;
    c.use_erase_black = true;
    c.use_deskew = true;
    c.erase_background_value = 12;
    c.light = -20;
    c.contrast = 35;
    c.file_rule = "scan_%date%";
    c.save_directory = "/home/anna/Scans";

    auto first = std::make_shared<vuro::scanner>();
    first->name = "vuro_q804:libusb:001:004";
    first->driver = "q804";
    first->uuid = "6a0f\"quoted\"";
    first->policys = {make_policy("Receipts", 0), make_policy("Photos", 1)};
    first->last = make_policy("last", 2);
    auto second = std::make_shared<vuro::scanner>();
    second->name = "net";
    prof.scanners = {first, second};
    prof.policy_index = 7;
    return prof;
}

void expect_same_policy(const vuro::policy& got, const vuro::policy& want)
{
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.category, want.category);
    EXPECT_EQ(got.color, want.color);
    EXPECT_EQ(got.image, want.image);
    EXPECT_EQ(got.medium, want.medium);
    EXPECT_EQ(got.dpi, want.dpi);
    EXPECT_EQ(got.sendto, want.sendto);
    EXPECT_EQ(got.style, want.style);
    EXPECT_EQ(got.quality, want.quality);
    EXPECT_EQ(got.muilt_out_stream_color, want.muilt_out_stream_color);
    EXPECT_EQ(got.muilt_out_stream_gray, want.muilt_out_stream_gray);
    EXPECT_EQ(got.muilt_out_stream_mono, want.muilt_out_stream_mono);
}

void expect_same_profile(const vuro::profile& got, const vuro::profile& want)
{
    const vuro::config& a = got.config;
    const vuro::config& b = want.config;
    EXPECT_EQ(a.paper_type, b.paper_type);
    EXPECT_EQ(a.paper_width, b.paper_width);
    EXPECT_EQ(a.paper_height, b.paper_height);
    EXPECT_EQ(a.paper_unit, b.paper_unit);
    EXPECT_EQ(a.use_erase_background, b.use_erase_background);
    EXPECT_EQ(a.use_detectOrientation, b.use_detectOrientation);
    EXPECT_EQ(a.use_erase_black, b.use_erase_black);
    EXPECT_EQ(a.use_deskew, b.use_deskew);
    EXPECT_EQ(a.erase_background_value, b.erase_background_value);
    EXPECT_EQ(a.light, b.light);
    EXPECT_EQ(a.contrast, b.contrast);
    EXPECT_EQ(a.file_rule, b.file_rule);
    EXPECT_EQ(a.save_directory, b.save_directory);
    EXPECT_EQ(got.policy_index, want.policy_index);
    ASSERT_EQ(got.scanners.size(), want.scanners.size());
    for (std::size_t i = 0; i < got.scanners.size(); ++i) {
        const vuro::scanner& s = *got.scanners[i];
        const vuro::scanner& t = *want.scanners[i];
        EXPECT_EQ(s.name, t.name);
        EXPECT_EQ(s.driver, t.driver);
        EXPECT_EQ(s.uuid, t.uuid);
        ASSERT_EQ(s.policys.size(), t.policys.size());
        for (std::size_t j = 0; j < s.policys.size(); ++j)
            expect_same_policy(*s.policys[j], *t.policys[j]);
        ASSERT_EQ(static_cast<bool>(s.last), static_cast<bool>(t.last));
        if (s.last)
            expect_same_policy(*s.last, *t.last);
    }
}

std::string fixture(const std::string& name)
{
    return testsupport::readText(std::string(PROFILE_FIXTURES) + "/" + name);
}

TEST(ProfileFile, SavedTextHasSortedKeysNullArraysAndTheStyledLayout)
{
    testsupport::TempFolder dir;
    vuro::profile prof = make_full_profile(dir.file("default.conf"));
    ASSERT_TRUE(prof.save(dir.file("scanApp.conf").c_str()));
    EXPECT_EQ(testsupport::readText(dir.file("scanApp.conf")), fixture("full_profile.conf"));

    vuro::profile blank(dir.file("default.conf"));
    blank.config.save_directory = "/home/anna/taliroScan";
    ASSERT_TRUE(blank.save(dir.file("blank.conf").c_str()));
    EXPECT_EQ(testsupport::readText(dir.file("blank.conf")), fixture("empty_profile.conf"));
}

TEST(ProfileFile, LoadAndSaveKeepEveryStoredField)
{
    testsupport::TempFolder dir;
    vuro::profile want = make_full_profile(dir.file("default.conf"));
    ASSERT_TRUE(want.save(dir.file("scanApp.conf").c_str()));

    vuro::profile got(dir.file("default.conf"));
    ASSERT_TRUE(got.load(dir.file("scanApp.conf").c_str()));
    expect_same_profile(got, want);
    EXPECT_EQ(got.version, "1.0");
    // The last preset is an object of its own, not one of the list.
    EXPECT_NE(got.scanners[0]->last, got.scanners[0]->policys[0]);

    ASSERT_TRUE(got.save(dir.file("again.conf").c_str()));
    EXPECT_EQ(testsupport::readText(dir.file("again.conf")), testsupport::readText(dir.file("scanApp.conf")));
}

TEST(ProfileFile, ProfileWithoutScannersReadsBackEmpty)
{
    testsupport::TempFolder dir;
    testsupport::writeText(dir.file("scanApp.conf"), fixture("empty_profile.conf"));
    vuro::profile prof(dir.file("default.conf"));
    bool existed = false;
    prof.add_scanner("stale", existed);
    ASSERT_TRUE(prof.load(dir.file("scanApp.conf").c_str()));
    EXPECT_TRUE(prof.scanners.empty());
    EXPECT_EQ(prof.config.save_directory, "/home/anna/taliroScan");
}

TEST(ProfileFile, NullOrEmptyPathMeansTheDefaultFile)
{
    testsupport::TempFolder dir;
    std::string default_file = dir.file("scan/scanApp.conf");
    vuro::profile prof = make_full_profile(default_file);
    EXPECT_EQ(prof.get_default_profile(), default_file);
    ASSERT_TRUE(prof.save(nullptr));
    ASSERT_TRUE(fs::exists(default_file));
    fs::remove(default_file);
    ASSERT_TRUE(prof.save(""));
    ASSERT_TRUE(fs::exists(default_file));

    for (const char* path : {static_cast<const char*>(nullptr), ""}) {
        vuro::profile got(default_file);
        ASSERT_TRUE(got.load(path));
        expect_same_profile(got, prof);
    }
    EXPECT_EQ(vuro::profile().get_default_profile(), std::string(taliro::kInstallRoot) + "scan/scanApp.conf");
}

// Loading `file` fails and leaves a filled profile as it was.
void loads_nothing(const std::string& file, const testsupport::TempFolder& dir, bool file_stays)
{
    vuro::profile prof(dir.file("default.conf"));
    bool existed = false;
    prof.add_scanner("kept", existed);
    prof.policy_index = 4;
    prof.config.file_rule = "kept_%datetime%";

    EXPECT_FALSE(prof.load(file.c_str()));
    ASSERT_EQ(prof.scanners.size(), 1u);
    EXPECT_EQ(prof.scanners[0]->name, "kept");
    EXPECT_EQ(prof.policy_index, 4);
    EXPECT_EQ(prof.config.file_rule, "kept_%datetime%");
    EXPECT_EQ(prof.version, "");
    EXPECT_EQ(fs::exists(file), file_stays);
}

TEST(ProfileFile, UnreadableFileLeavesTheProfileAsItWas)
{
    struct case_t {
        const char* what;
        std::optional<std::string> text;  // none: no file at all
    } cases[] = {
        {"missing file", std::nullopt},
        {"empty file", ""},
        {"only blanks", " \n\t "},
        {"not JSON", "scanners=1"},
        {"cut short", "{\"version\":\"1.0\",\"config\":{"},
        {"array at the top", "[{\"version\":\"1.0\"}]"},
        {"number at the top", "5"},
        {"null at the top", "null"},
        {"number beyond any double", "{\"version\":\"1.0\",\"policy_index\":1e999}"},
        {"string at the top", "\"1.0\""},
        {"nested too deeply", std::string(20000, '[') + std::string(20000, ']')},
        {"larger than a profile can be", "{\"pad\":\"" + std::string(vuro::profile_text::kMaxFileSize, ' ') + "\"}"},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempFolder dir;
        std::string file = dir.file("scanApp.conf");
        if (c.text)
            testsupport::writeText(file, *c.text);
        loads_nothing(file, dir, c.text.has_value());
    }
}

TEST(ProfileFile, SomethingOtherThanAFileInItsPlaceLoadsNothing)
{
    testsupport::TempFolder dir;
    std::string folder = dir.file("folder");
    std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& file : {folder, pipe}) {
        SCOPED_TRACE(file);
        loads_nothing(file, dir, true);
    }
}

TEST(ProfileFile, CommentsAreAccepted)
{
    testsupport::TempFolder dir;
    testsupport::writeText(dir.file("scanApp.conf"),
               "// written by hand\n{ \"version\" : \"1.0\", /* one scanner */ \"scanners\" : [ { \"name\" : \"S\" } ] }\n");
    vuro::profile prof(dir.file("default.conf"));
    ASSERT_TRUE(prof.load(dir.file("scanApp.conf").c_str()));
    ASSERT_EQ(prof.scanners.size(), 1u);
    EXPECT_EQ(prof.scanners[0]->name, "S");
}

TEST(ProfileFile, OlderVersionsAreDeletedNewerOnesLoad)
{
    struct case_t {
        const char* version_member;  // empty: no "version"
        bool loads;
        const char* version_after;
    } cases[] = {
        {"", false, "1.0"},
        {"\"version\":\"0.9\",", false, "1.0"},
        {"\"version\":\"0.99.99\",", false, "1.0"},
        {"\"version\":\"\",", false, "1.0"},
        {"\"version\":null,", false, "1.0"},
        {"\"version\":{\"major\":2},", false, "1.0"},
        {"\"version\":\"1.0\",", true, "1.0"},
        {"\"version\":\"1.0.0.0\",", true, "1.0.0.0"},
        {"\"version\":\"1.1\",", true, "1.1"},
        {"\"version\":\"2\",", true, "2"},
        {"\"version\":\"v1.0-beta\",", true, "v1.0-beta"},
        {"\"version\":2,", true, "2.000000"},
        // Parts stop at their largest value instead of wrapping round to 0.
        {"\"version\":\"4294967296\",", true, "4294967296"},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.version_member);
        testsupport::TempFolder dir;
        std::string loaded = dir.file("other.conf");
        std::string default_file = dir.file("scanApp.conf");
        testsupport::writeText(loaded, std::string("{") + c.version_member + "\"scanners\":[{\"name\":\"S\"}],\"policy_index\":3}");
        testsupport::writeText(default_file, "{}");

        vuro::profile prof(default_file);
        EXPECT_TRUE(prof.load(loaded.c_str()));
        EXPECT_EQ(prof.version, c.version_after);
        EXPECT_EQ(prof.scanners.size(), c.loads ? 1u : 0u);
        EXPECT_EQ(prof.policy_index, c.loads ? 3 : 0);
        EXPECT_EQ(fs::exists(loaded), c.loads);
        // Only the file that was loaded goes.
        EXPECT_TRUE(fs::exists(default_file));
    }
}

TEST(ProfileFile, OldDefaultFileIsDeletedAndTheNextSaveStartsFresh)
{
    testsupport::TempFolder dir;
    std::string default_file = dir.file("scanApp.conf");
    testsupport::writeText(default_file, "{\"version\":\"0.9\",\"scanners\":[{\"name\":\"S\"}]}");
    vuro::profile prof(default_file);
    EXPECT_TRUE(prof.load(nullptr));
    EXPECT_FALSE(fs::exists(default_file));
    ASSERT_TRUE(prof.save(nullptr));
    EXPECT_NE(testsupport::readText(default_file).find("\"scanners\" : null"), std::string::npos);
}

mode_t mode_of(const std::string& path)
{
    struct stat info{};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

ino_t inode_of(const std::string& path)
{
    struct stat info{};
    stat(path.c_str(), &info);
    return info.st_ino;
}

std::size_t entries_in(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(ProfileSave, ReplacesTheFileAndKeepsItsMode)
{
    testsupport::TempFolder dir;
    std::string file = dir.file("scanApp.conf");
    testsupport::writeText(file, "old text");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ino_t old_inode = inode_of(file);

    vuro::profile prof = make_full_profile(dir.file("default.conf"));
    ASSERT_TRUE(prof.save(file.c_str()));
    EXPECT_EQ(testsupport::readText(file), fixture("full_profile.conf"));
    EXPECT_EQ(mode_of(file), 0640u);
    // A new file took the old one's name: a reader never sees half a file.
    EXPECT_NE(inode_of(file), old_inode);
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST(ProfileSave, NewFileGetsTheUsualModeAndItsFolders)
{
    testsupport::TempFolder dir;
    std::string file = dir.file("root/scan/scanApp.conf");
    mode_t mask = umask(022);
    vuro::profile prof(dir.file("default.conf"));
    bool ok = prof.save(file.c_str());
    umask(mask);
    ASSERT_TRUE(ok);
    EXPECT_EQ(mode_of(file), 0644u);
    EXPECT_TRUE(fs::is_directory(dir.file("root/scan")));
}

TEST(ProfileSave, WriteErrorIsReportedAndTheOldFileStays)
{
    testsupport::TempFolder dir;
    std::string file = dir.file("scanApp.conf");
    testsupport::writeText(file, "old text");

    // Writes beyond 64 bytes fail with EFBIG instead of raising SIGXFSZ.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    vuro::profile prof = make_full_profile(dir.file("default.conf"));
    bool ok = prof.save(file.c_str());
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_FALSE(ok);
    EXPECT_EQ(testsupport::readText(file), "old text");
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST(ProfileSave, UnwritablePlacesFail)
{
    testsupport::TempFolder dir;
    testsupport::writeText(dir.file("plain"), "x");
    fs::create_directory(dir.file("folder"));
    std::string overlong = dir.file(std::string(helper::kMaxPathLength, 'n') + "/scanApp.conf");
    vuro::profile prof(dir.file("default.conf"));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(prof.save(dir.file("plain/scanApp.conf").c_str()));
    EXPECT_FALSE(prof.save(dir.file("folder").c_str()));
    EXPECT_FALSE(prof.save(overlong.c_str()));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(entries_in(dir.path()), 2u);
    EXPECT_TRUE(fs::is_empty(dir.file("folder")));
}

TEST(ProfileBounds, RoundTripAtTheBoundAndLoadKeepsTheNewest)
{
    testsupport::TempFolder dir;
    // One scanner and one preset beyond the bounds; the first of each is the oldest.
    vuro::profile prof(dir.file("default.conf"));
    for (std::size_t i = 0; i <= vuro::kMaxScanners; ++i) {
        bool existed = true;
        prof.add_scanner("scanner " + std::to_string(i), existed);
    }
    auto& presets = prof.scanners.back()->policys;
    for (std::size_t i = 0; i <= vuro::kMaxPresetsPerScanner; ++i)
        presets.push_back(make_policy("preset " + std::to_string(i), static_cast<int>(i)));
    ASSERT_TRUE(prof.save(dir.file("beyond.conf").c_str()));

    vuro::profile loaded(dir.file("default.conf"));
    ASSERT_TRUE(loaded.load(dir.file("beyond.conf").c_str()));
    ASSERT_EQ(loaded.scanners.size(), vuro::kMaxScanners);
    EXPECT_EQ(loaded.scanners.front()->name, "scanner 1");
    EXPECT_EQ(loaded.scanners.back()->name, "scanner " + std::to_string(vuro::kMaxScanners));
    const auto& kept = loaded.scanners.back()->policys;
    ASSERT_EQ(kept.size(), vuro::kMaxPresetsPerScanner);
    EXPECT_EQ(kept.front()->name, "preset 1");
    expect_same_policy(*kept.back(), *presets.back());

    // At the bound nothing more is lost: it saves and loads back to the same text.
    ASSERT_TRUE(loaded.save(dir.file("bound.conf").c_str()));
    vuro::profile again(dir.file("default.conf"));
    ASSERT_TRUE(again.load(dir.file("bound.conf").c_str()));
    ASSERT_TRUE(again.save(dir.file("again.conf").c_str()));
    EXPECT_EQ(testsupport::readText(dir.file("again.conf")), testsupport::readText(dir.file("bound.conf")));
}

TEST(ProfileBounds, SaveLongerThanALoadAcceptsIsRefusedAndTheOldFileStays)
{
    testsupport::TempFolder dir;
    const std::string file = dir.file("scanApp.conf");
    testsupport::writeText(file, "old text");
    vuro::profile prof(dir.file("default.conf"));
    bool existed = true;
    prof.add_scanner(std::string(vuro::profile_text::kMaxFileSize, 'n'), existed);
    EXPECT_FALSE(prof.save(file.c_str()));
    EXPECT_EQ(testsupport::readText(file), "old text");
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

}  // namespace
