#include "vuro_policy.h"

#include "json_lenient.h"

namespace vuro {

namespace {
// A stored preset without "dpi" reads 200, unlike a new one.
constexpr int kStoredDefaultDpi = 200;
}  // namespace

policy::policy()
{
    empty();
}

policy::policy(const policy& other) : policy()
{
    clone(other);
}

policy& policy::operator=(const policy& other)
{
    clone(other);
    return *this;
}

void policy::empty()
{
    name.clear();
    category = 0;
    color = color_full;
    image = image_jpg;
    medium = medium_paper;
    reserved_first = 0;
    reserved_second = 0;
    dpi = 300;
    sendto = false;
    style = 0;
    quality = 0;
    muilt_out_stream_color = false;
    muilt_out_stream_gray = false;
    muilt_out_stream_mono = false;
}

void policy::load(const Json::Value& value)
{
    empty();
    dpi = kStoredDefaultDpi;
    lenient::read_string(value, "name", name);
    lenient::read_int(value, "category", category);
    lenient::read_enum(value, "color", color);
    lenient::read_enum(value, "image", image);
    lenient::read_enum(value, "medium", medium);
    lenient::read_int(value, "dpi", dpi);
    lenient::read_bool(value, "sendto", sendto);
    lenient::read_int(value, "style", style);
    lenient::read_int(value, "quality", quality);
    lenient::read_bool(value, "muilt_out_stream_color", muilt_out_stream_color);
    lenient::read_bool(value, "muilt_out_stream_gray", muilt_out_stream_gray);
    lenient::read_bool(value, "muilt_out_stream_mono", muilt_out_stream_mono);
}

Json::Value policy::to_value() const
{
    Json::Value value(Json::objectValue);
    value["name"] = name;
    value["category"] = category;
    value["color"] = static_cast<int>(color);
    value["image"] = static_cast<int>(image);
    value["medium"] = static_cast<int>(medium);
    value["dpi"] = dpi;
    value["sendto"] = sendto;
    value["style"] = style;
    value["quality"] = quality;
    value["muilt_out_stream_color"] = muilt_out_stream_color;
    value["muilt_out_stream_gray"] = muilt_out_stream_gray;
    value["muilt_out_stream_mono"] = muilt_out_stream_mono;
    return value;
}

void policy::clone(const policy& other)
{
    name = other.name;
    category = other.category;
    color = other.color;
    image = other.image;
    medium = other.medium;
    reserved_first = other.reserved_first;
    reserved_second = other.reserved_second;
    dpi = other.dpi;
    sendto = other.sendto;
    style = other.style;
    quality = other.quality;
    muilt_out_stream_color = other.muilt_out_stream_color;
    muilt_out_stream_gray = other.muilt_out_stream_gray;
    muilt_out_stream_mono = other.muilt_out_stream_mono;
}

bool policy::is_mulitdocument() const
{
    return image == image_tif || image == image_pdf || image == image_ofd;
}

bool policy::is_medium_idcard() const
{
    return medium == medium_idcard;
}

bool policy::is_feeder() const
{
    return category == 1;
}

bool policy::is_flatbed() const
{
    return category == 0;
}

}  // namespace vuro
