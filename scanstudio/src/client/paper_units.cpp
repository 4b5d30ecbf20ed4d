#include "paper_units.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

int def_vuro_papers[3][2] = {{210, 297}, {176, 250}, {209, 297}};

namespace {

constexpr double kInchPerMillimetre = 0.0393701;
constexpr double kInchPerCentimetre = 0.3937008;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kCentimetresPerInch = 2.54;

bool isUnit(int unit)
{
    return unit == unit_mm || unit == unit_cm || unit == unit_inch;
}

std::string fixed(double value, int decimals)
{
    char text[64] = {};
    const auto result = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("0");
}

// Nearest whole number, halves away from zero, held to the int range.
int whole(double value)
{
    const double rounded = std::round(value);
    if (std::isnan(rounded))
        return 0;
    return static_cast<int>(std::clamp(rounded, static_cast<double>(std::numeric_limits<int>::min()),
                                       static_cast<double>(std::numeric_limits<int>::max())));
}

}  // namespace

namespace paper_units {

double readNumber(const std::string &text)
{
    std::size_t start = text.find_first_not_of(" \t\n\r\f\v");
    if (start == std::string::npos)
        return 0.0;
    if (text[start] == '+')
        ++start;
    double value = 0.0;
    const auto result = std::from_chars(text.data() + start, text.data() + text.size(), value);
    return result.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

int toWholeMillimetres(double value, int unit)
{
    switch (unit) {
    case unit_mm:
        return whole(value);
    case unit_cm:
        return whole(value * 10);
    case unit_inch:
        return whole(value * kMillimetresPerInch);
    default:
        return 0;
    }
}

}  // namespace paper_units

std::string unit_convert(const char *text, vuro_paper_unit from, vuro_paper_unit to)
{
    if (!isUnit(from) || !isUnit(to))
        return std::string();
    const std::string source = text ? text : "";
    if (from == to)
        return source;
    const double value = paper_units::readNumber(source);
    switch (to) {
    case unit_mm:
        return std::to_string(paper_units::toWholeMillimetres(value, from));
    case unit_cm:
        return from == unit_mm ? fixed(value / 10, 2) : std::to_string(whole(value * kCentimetresPerInch));
    default:
        return fixed(value * (from == unit_mm ? kInchPerMillimetre : kInchPerCentimetre), 3);
    }
}
