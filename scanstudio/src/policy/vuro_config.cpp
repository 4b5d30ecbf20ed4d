#include "vuro_config.h"

#include "json_lenient.h"
#include "utils.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace vuro {

namespace {

// strtod in the C locale, whatever locale the program runs in.
double parse_decimal(const std::string& text)
{
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(text.c_str(), nullptr, c_locale);
}

std::int64_t cut_toward_zero(double value)
{
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

}  // namespace

config::config()
{
    empty();
}

config::config(const config& other) : config()
{
    clone(other);
}

config& config::operator=(const config& other)
{
    clone(other);
    return *this;
}

void config::empty()
{
    paper_type = 0;
    paper_width = "210";
    paper_height = "297";
    paper_unit = unit_mm;
    use_erase_background = false;
    use_detectOrientation = false;
    use_erase_black = false;
    use_deskew = false;
    erase_background_value = 0;
    light = 0;
    contrast = 0;
    file_rule = "taliro_%datetime%";
    save_directory = get_default_vuro_scan_doucments_directory();
}

void config::load(const Json::Value& value)
{
    empty();
    // A stored config without them has no naming rule and no save folder.
    file_rule.clear();
    save_directory.clear();
    lenient::read_int(value, "paper_type", paper_type);
    lenient::read_string(value, "paper_width", paper_width);
    lenient::read_string(value, "paper_height", paper_height);
    lenient::read_enum(value, "paper_unit", paper_unit);
    lenient::read_bool(value, "use_erase_background", use_erase_background);
    lenient::read_bool(value, "use_detectOrientation", use_detectOrientation);
    lenient::read_bool(value, "use_erase_black", use_erase_black);
    lenient::read_bool(value, "use_deskew", use_deskew);
    lenient::read_int(value, "erase_background_value", erase_background_value);
    lenient::read_int(value, "light", light);
    lenient::read_int(value, "contrast", contrast);
    lenient::read_string(value, "file_rule", file_rule);
    lenient::read_string(value, "save_directory", save_directory);
}

Json::Value config::to_value() const
{
    Json::Value value(Json::objectValue);
    value["paper_type"] = paper_type;
    value["paper_width"] = paper_width;
    value["paper_height"] = paper_height;
    value["paper_unit"] = static_cast<int>(paper_unit);
    value["use_erase_background"] = use_erase_background;
    value["use_detectOrientation"] = use_detectOrientation;
    value["use_erase_black"] = use_erase_black;
    value["use_deskew"] = use_deskew;
    value["erase_background_value"] = erase_background_value;
    value["light"] = light;
    value["contrast"] = contrast;
    value["file_rule"] = file_rule;
    value["save_directory"] = save_directory;
    return value;
}

void config::clone(const config& other)
{
    paper_type = other.paper_type;
    paper_width = other.paper_width;
    paper_height = other.paper_height;
    paper_unit = other.paper_unit;
    use_erase_background = other.use_erase_background;
    use_detectOrientation = other.use_detectOrientation;
    use_erase_black = other.use_erase_black;
    use_deskew = other.use_deskew;
    erase_background_value = other.erase_background_value;
    light = other.light;
    contrast = other.contrast;
    file_rule = other.file_rule;
    save_directory = other.save_directory;
}

bool config::is_erase_background() const
{
    return use_erase_background || erase_background_value > 0;
}

void config::get_paper_mm(std::int64_t& width, std::int64_t& height) const
{
    switch (paper_unit) {
    case unit_mm:
        width = std::strtoll(paper_width.c_str(), nullptr, 10);
        height = std::strtoll(paper_height.c_str(), nullptr, 10);
        break;
    case unit_cm:
        width = cut_toward_zero(parse_decimal(paper_width) * 10);
        height = cut_toward_zero(parse_decimal(paper_height) * 10);
        break;
    case unit_inch:
        width = cut_toward_zero(parse_decimal(paper_width) * 25.4);
        height = cut_toward_zero(parse_decimal(paper_height) * 25.4);
        break;
    default:
        break;
    }
}

}  // namespace vuro
