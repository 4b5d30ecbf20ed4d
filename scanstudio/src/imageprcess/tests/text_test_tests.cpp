// The text test tells text pages from blank pages and pictures.

#include "imagefunctions.h"
#include "test_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

struct TextCase
{
    std::string name;
    std::function<QImage()> page;
    bool text;
};

class TextTest : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(TextTest, ClassifiesPage)
{
    const QImage page = GetParam().page();
    const std::vector<unsigned char> gray = TestPages::grayBuffer(page);
    EXPECT_EQ(ImageFunctions::IsTextImage(gray.data(), page.width(), page.height()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TextTest,
    ::testing::Values(
        TextCase{"TextLines", [] { return TestPages::textLines(850, 1100, 100); }, true},
        TextCase{"TextLinesOnLightGray", [] { return TestPages::textLines(850, 1100, 100, 0, 60, qRgb(225, 225, 225)); }, true},
        TextCase{"Blank", [] { return TestPages::blank(850, 1100, 100); }, false},
        TextCase{"VerticalGradient", [] { return TestPages::verticalGradient(850, 1100, 100); }, false},
        // Text whose background is darker than 221 has no light rows.
        TextCase{"TextLinesOnMidGray", [] { return TestPages::textLines(850, 1100, 100, 0, 60, qRgb(200, 200, 200)); }, false},
        // At most ten rows give one sampled row, never text.
        TextCase{"TenRowStrip", [] { return TestPages::textLines(850, 10, 100, 0, 0); }, false},
        TextCase{"OnePixelWide", [] { return TestPages::textLines(1, 1100, 100, 0, 0); }, false}),
    [](const ::testing::TestParamInfo<TextCase> &info) { return info.param.name; });

TEST(TextTestRules, CountsLightRowsAmongTheSampledOnes)
{
    // 100 px wide; the sampled rows (every tenth) start with `light` pixels of
    // gray `level`, all else is black. A row counts when more than 85 of its
    // 100 adjacent pairs are light; the page is text when 0.4 <= n / (S - 1) <= 1.
    struct Case
    {
        const char *name;
        int height;
        std::vector<int> light;
        int level;
        bool text;
    } cases[] = {
        {"one of three rows", 30, {100, 0, 0}, 255, true},
        {"86 light pairs count", 30, {87, 0, 0}, 255, true},
        {"85 light pairs do not", 30, {86, 0, 0}, 255, false},
        {"two of three rows: 1.0", 30, {100, 100, 0}, 255, true},
        {"all three rows: 1.5", 30, {100, 100, 100}, 255, false},
        {"4 of 11 rows: 0.4", 101, {100, 100, 100, 100, 0, 0, 0, 0, 0, 0, 0}, 255, true},
        {"3 of 11 rows: 0.3", 101, {100, 100, 100, 0, 0, 0, 0, 0, 0, 0, 0}, 255, false},
        {"gray 221 is light", 30, {100, 0, 0}, 221, true},
        {"gray 220 is not", 30, {100, 0, 0}, 220, false},
    };
    for (const Case &c : cases) {
        std::vector<unsigned char> gray(100 * c.height, 0);
        for (std::size_t row = 0; row < c.light.size(); ++row)
            std::fill_n(gray.begin() + row * 10 * 100, c.light[row], static_cast<unsigned char>(c.level));
        EXPECT_EQ(ImageFunctions::IsTextImage(gray.data(), 100, c.height), c.text) << c.name;
    }
}

TEST(TextTestInput, EmptyOrMissingBufferIsNotText)
{
    const unsigned char pixel = 255;
    EXPECT_FALSE(ImageFunctions::IsTextImage(nullptr, 10, 10));
    EXPECT_FALSE(ImageFunctions::IsTextImage(&pixel, 1, 0));
}

} // namespace
