#include "status_texts.h"

#include "expected_texts.h"
#include "printer_records.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

using namespace assistant;

TEST(StatusTexts, EveryRowInBothLanguagesByteForByte)
{
    ASSERT_EQ(std::size(kStatusRows), static_cast<std::size_t>(PRINTER_STATUS_COUNT));
    for (const StatusRow& row : kStatusRows) {
        EXPECT_EQ(StatusText(row.value, kLanguageEnglish), QString::fromUtf8(row.english)) << row.value;
        EXPECT_EQ(StatusText(row.value, kLanguageChinese), QString::fromUtf8(row.chinese)) << row.value;
    }
    ASSERT_EQ(std::size(kErrorRows), static_cast<std::size_t>(ERR_STATUS_COUNT));
    for (const ErrorRow& row : kErrorRows) {
        EXPECT_EQ(ErrorDescText(row.value, kLanguageEnglish), QString::fromUtf8(row.english)) << row.value;
        EXPECT_EQ(ErrorDescText(row.value, kLanguageChinese), QString::fromUtf8(row.chinese)) << row.value;
        EXPECT_EQ(ErrorSolutionText(row.value, kLanguageEnglish), QString::fromUtf8(row.remedyEnglish)) << row.value;
        EXPECT_EQ(ErrorSolutionText(row.value, kLanguageChinese), QString::fromUtf8(row.remedyChinese)) << row.value;
    }
}

TEST(StatusTexts, ValuesOutsideTheTablesReadAsUnknown)
{
    for (int value : {-1, int(PRINTER_STATUS_COUNT), 1000})
        EXPECT_EQ(StatusText(value, kLanguageChinese), QStringLiteral("未知")) << value;
    for (int value : {-1, int(ERR_STATUS_COUNT), 1000})
        EXPECT_EQ(ErrorDescText(value, kLanguageChinese), QStringLiteral("错误状态未知")) << value;
}

}  // namespace
