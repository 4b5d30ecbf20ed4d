// Numbers in the profile read and write the same under a decimal-comma locale.
#include "libpolicy.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>

namespace {

class DecimalCommaLocale : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8", "nl_NL.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr && *std::localeconv()->decimal_point == ',')
                return;
        }
        std::setlocale(LC_ALL, "C");
        FAIL() << "no decimal-comma locale installed (tools/install-deps.sh makes de_DE.UTF-8)";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(DecimalCommaLocale, NumbersStayInTheCLocale)
{
    testsupport::TempFolder dir;
    testsupport::writeText(dir.file("scanApp.conf"),
               "{\"version\":\"1.0\",\"config\":{\"paper_width\":210,\"paper_height\":29.7,\"light\":-1.5},"
               "\"scanners\":[{\"name\":\"S\",\"policys\":[{\"dpi\":\"300dpi\"}]}]}");
    vuro::profile prof(dir.file("default.conf"));
    ASSERT_TRUE(prof.load(dir.file("scanApp.conf").c_str()));
    EXPECT_EQ(prof.config.paper_width, "210.000000");
    EXPECT_EQ(prof.config.paper_height, "29.700000");
    EXPECT_EQ(prof.config.light, -1);
    EXPECT_EQ(prof.scanners.at(0)->policys.at(0)->dpi, 300);

    prof.config.paper_unit = unit_cm;
    std::int64_t width = 0, height = 0;
    prof.config.get_paper_mm(width, height);
    EXPECT_EQ(width, 2100);
    EXPECT_EQ(height, 297);

    ASSERT_TRUE(prof.save(dir.file("saved.conf").c_str()));
    std::string saved = testsupport::readText(dir.file("saved.conf"));
    EXPECT_NE(saved.find("\"paper_height\" : \"29.700000\""), std::string::npos);
    EXPECT_EQ(saved.find("29,7"), std::string::npos);
}

}  // namespace
