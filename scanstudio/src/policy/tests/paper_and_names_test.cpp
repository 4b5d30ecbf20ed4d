// Paper sizes in millimetres and the default output file names.
#include "libpolicy.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <regex>
#include <string>

namespace {

TEST(PaperSize, WholeMillimetresFromTheStoredUnit)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    struct case_t {
        int unit;
        const char* width;
        const char* height;
        std::int64_t mm_width, mm_height;
    } cases[] = {
        {unit_mm, "210", "297", 210, 297},
        {unit_mm, "29.7", " 12mm", 29, 12},
        {unit_mm, "abc", "", 0, 0},
        {unit_cm, "21", "29.7", 210, 297},
        {unit_cm, "17.6", "0.05", 176, 0},
        {unit_cm, "-2.99", "abc", -29, 0},
        {unit_inch, "8.5", "11", 215, 279},
        {unit_inch, "8.27", "11.69", 210, 296},
        {unit_inch, "1e300", "-1e300", kMax, std::numeric_limits<std::int64_t>::min()},
        {unit_inch, "nan", "inf", 0, kMax},
        // Any other unit leaves the outputs alone.
        {3, "210", "297", -1, -1},
        {-1, "210", "297", -1, -1},
    };
    for (const case_t& c : cases) {
        vuro::config conf;
        conf.paper_unit = static_cast<vuro_paper_unit>(c.unit);
        conf.paper_width = c.width;
        conf.paper_height = c.height;
        std::int64_t width = -1, height = -1;
        conf.get_paper_mm(width, height);
        EXPECT_EQ(width, c.mm_width) << c.unit << " " << c.width;
        EXPECT_EQ(height, c.mm_height) << c.unit << " " << c.height;
    }
}

// The UTC time stamp in a default name, as seconds since the epoch.
std::time_t stamp_of(const std::string& name)
{
    std::smatch m;
    std::regex pattern("Vuro_(\\d{4})(\\d{2})(\\d{2})(\\d{2})(\\d{2})(\\d{2})");
    if (!std::regex_search(name, m, pattern))
        return -1;
    std::tm utc{};
    utc.tm_year = std::stoi(m[1]) - 1900;
    utc.tm_mon = std::stoi(m[2]) - 1;
    utc.tm_mday = std::stoi(m[3]);
    utc.tm_hour = std::stoi(m[4]);
    utc.tm_min = std::stoi(m[5]);
    utc.tm_sec = std::stoi(m[6]);
    return timegm(&utc);
}

TEST(DefaultImageName, InTheSaveFolderStampedInUtcWithTheFormatsExtension)
{
    // A zone far from UTC shows whether the stamp is local time.
    setenv("TZ", "Pacific/Kiritimati", 1);
    tzset();
    struct case_t {
        int format;
        const char* extension;
    } cases[] = {{0, ".jpg"}, {1, ".png"}, {2, ".bmp"}, {3, ".tif"}, {4, ".pdf"}, {5, ".ofd"}, {6, ""}, {-1, ""}};
    for (const char* folder : {"/data/scans", "/data/scans/"}) {
        vuro::profile prof("/nonexistent/scanApp.conf");
        prof.config.save_directory = folder;
        for (const case_t& c : cases) {
            std::time_t before = std::time(nullptr);
            std::string name = prof.get_default_img(static_cast<vuro_image_format>(c.format));
            std::time_t after = std::time(nullptr);
            EXPECT_TRUE(std::regex_match(name, std::regex(std::string("/data/scans/Vuro_\\d{14}") + c.extension)))
                << name;
            std::time_t stamp = stamp_of(name);
            EXPECT_TRUE(stamp >= before && stamp <= after) << name;
        }
    }
    unsetenv("TZ");
    tzset();
}

TEST(DefaultImageName, EmptySaveFolderMeansTheDocumentsFolder)
{
    vuro::profile prof("/nonexistent/scanApp.conf");
    prof.config.save_directory.clear();
    std::string name = prof.get_default_img(image_pdf);
    std::string folder = get_default_vuro_scan_doucments_directory() + "/";
    EXPECT_EQ(name.substr(0, folder.size()), folder);
    EXPECT_EQ(name.size(), folder.size() + std::string("Vuro_20261210095500.pdf").size());
}

}  // namespace
