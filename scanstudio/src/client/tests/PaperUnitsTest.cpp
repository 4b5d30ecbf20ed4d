// Paper length conversions between millimetres, centimetres and inches, in
// the C locale whatever the process's locale says.

#include "paper_units.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace {

struct Conversion {
    const char *text;
    vuro_paper_unit from;
    vuro_paper_unit to;
    const char *expected;
};

const Conversion kConversions[] = {
    {"210.00", unit_mm, unit_mm, "210.00"},
    {"210", unit_mm, unit_cm, "21.00"},
    {"297", unit_mm, unit_cm, "29.70"},
    {"176.00", unit_mm, unit_inch, "6.929"},
    {"250.00", unit_mm, unit_inch, "9.843"},
    {"8.27", unit_inch, unit_mm, "210"},
    {"8.27", unit_inch, unit_cm, "21"},
    {"29.70", unit_cm, unit_mm, "297"},
    {"21.00", unit_cm, unit_inch, "8.268"},
    // Whole millimetres are rounded, so a length shown in inches comes back.
    {"11.69", unit_inch, unit_mm, "297"},
    {"8.50", unit_inch, unit_mm, "216"},
    {"6.93", unit_inch, unit_mm, "176"},
    // A text that is no number reads as 0; a unit outside the three gives nothing.
    {"wide", unit_mm, unit_cm, "0.00"},
    {"", unit_inch, unit_mm, "0"},
    {"210", unit_mm, static_cast<vuro_paper_unit>(3), ""},
    {"210", static_cast<vuro_paper_unit>(-1), unit_mm, ""},
};

void expectTable()
{
    for (const Conversion &c : kConversions) {
        SCOPED_TRACE(std::string(c.text) + " from " + std::to_string(c.from) + " to " + std::to_string(c.to));
        EXPECT_EQ(unit_convert(c.text, c.from, c.to), c.expected);
    }
}

TEST(PaperUnits, Conversions)
{
    expectTable();
}

TEST(PaperUnits, ConversionsUnderADecimalCommaLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is missing";
    expectTable();
    EXPECT_DOUBLE_EQ(paper_units::readNumber("8.27"), 8.27);
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(PaperUnits, EveryWholeMillimetreSurvivesAnInchRoundTrip)
{
    // The inch text goes through a spin box of two decimals.
    for (int mm = 0; mm <= 356; ++mm) {
        const std::string inches = unit_convert(std::to_string(mm).c_str(), unit_mm, unit_inch);
        const long hundredths = std::lround(paper_units::readNumber(inches) * 100);
        const std::string shown = std::to_string(hundredths / 100) + "." + std::to_string(hundredths % 100 / 10) +
                                  std::to_string(hundredths % 10);
        EXPECT_EQ(unit_convert(shown.c_str(), unit_inch, unit_mm), std::to_string(mm)) << "shown as " << shown;
    }
}

}  // namespace
