#pragma once

#include "vuro_enums.h"

#include <json/value.h>

#include <cstdint>
#include <string>

namespace vuro {

// ScanStudio's global paper, correction and file-naming settings.
class config {
public:
    config();
    config(const config& other);
    config& operator=(const config& other);

    void empty();
    void load(const Json::Value& value);
    Json::Value to_value() const;
    void clone(const config& other);

    bool is_erase_background() const;
    // Paper width and height in whole millimetres, read from the decimal
    // texts in paper_unit; any other unit leaves the outputs as they are.
    void get_paper_mm(std::int64_t& width, std::int64_t& height) const;

    int paper_type;
    std::string paper_width;   // decimal text
    std::string paper_height;  // decimal text
    vuro_paper_unit paper_unit;
    bool use_erase_background;
    bool use_detectOrientation;
    bool use_erase_black;
    bool use_deskew;
    int erase_background_value;
    int light;
    int contrast;
    std::string file_rule;
    std::string save_directory;
};

}  // namespace vuro
