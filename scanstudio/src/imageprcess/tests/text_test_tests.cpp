// The text test tells text pages from blank pages and pictures.

#include "imagefunctions.h"
#include "test_pages.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

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

TEST(TextTestInput, EmptyOrMissingBufferIsNotText)
{
    const unsigned char pixel = 255;
    EXPECT_FALSE(ImageFunctions::IsTextImage(nullptr, 10, 10));
    EXPECT_FALSE(ImageFunctions::IsTextImage(&pixel, 1, 0));
}

} // namespace
