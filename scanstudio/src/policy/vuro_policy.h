#pragma once

#include "vuro_enums.h"

#include <json/value.h>

#include <cstdint>
#include <string>

namespace vuro {

// One scan preset of a scanner.
class policy {
public:
    policy();
    policy(const policy& other);
    policy& operator=(const policy& other);

    void empty();
    void load(const Json::Value& value);
    Json::Value to_value() const;
    void clone(const policy& other);

    bool is_mulitdocument() const;
    bool is_medium_idcard() const;
    bool is_feeder() const;
    bool is_flatbed() const;

    std::string name;
    int category;  // 0 flatbed, 1 document feeder
    vuro_color_format color;
    vuro_image_format image;
    vuro_medium_type medium;
    // Kept in memory only; never written to or read from the profile file.
    std::int64_t reserved_first;
    std::int64_t reserved_second;
    int dpi;
    bool sendto;
    int style;
    int quality;  // index of the quality choice
    bool muilt_out_stream_color;
    bool muilt_out_stream_gray;
    bool muilt_out_stream_mono;
};

}  // namespace vuro
