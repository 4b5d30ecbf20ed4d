#include "json_lenient.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vuro::lenient {

namespace {

const Json::Value& null_value()
{
    static const Json::Value null;
    return null;
}

const Json::Value* member(const Json::Value& object, const char* key)
{
    if (!object.isObject())
        return nullptr;
    return object.find(key, key + std::char_traits<char>::length(key));
}

int clamp_to_int(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

int clamp_to_int(long long value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// The integer value of a JSON number, whichever of the three kinds it is.
int number_value(const Json::Value& value)
{
    switch (value.type()) {
    case Json::intValue:
        return clamp_to_int(static_cast<long long>(value.asLargestInt()));
    case Json::uintValue: {
        Json::LargestUInt u = value.asLargestUInt();
        return u > static_cast<Json::LargestUInt>(INT_MAX) ? INT_MAX : static_cast<int>(u);
    }
    default:
        return clamp_to_int(value.asDouble());
    }
}

bool equals_ignoring_case(const std::string& text, const char* word)
{
    std::size_t length = std::char_traits<char>::length(word);
    if (text.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return true;
}

}  // namespace

void read_int(const Json::Value& object, const char* key, int& field)
{
    const Json::Value* value = member(object, key);
    if (value == nullptr)
        return;
    if (value->isNumeric()) {
        field = number_value(*value);
    } else if (value->isString()) {
        std::string text = value->asString();
        field = clamp_to_int(static_cast<long long>(std::strtol(text.c_str(), nullptr, 10)));
    } else if (value->isBool()) {
        field = value->asBool() ? 1 : 0;
    }
}

void read_bool(const Json::Value& object, const char* key, bool& field)
{
    const Json::Value* value = member(object, key);
    if (value == nullptr)
        return;
    if (value->isBool())
        field = value->asBool();
    else if (value->isString())
        field = equals_ignoring_case(value->asString(), "true");
    else if (value->isNumeric())
        field = number_value(*value) != 0;
    else
        field = false;
}

void read_string(const Json::Value& object, const char* key, std::string& field)
{
    const Json::Value* value = member(object, key);
    if (value == nullptr)
        return;
    if (value->isString())
        field = value->asString();
    else if (value->isNumeric())
        field = format_fixed(value->asDouble());
    else
        field.clear();
}

const Json::Value* object_member(const Json::Value& object, const char* key)
{
    const Json::Value* value = member(object, key);
    return value != nullptr && value->isObject() ? value : nullptr;
}

const Json::Value& array_member(const Json::Value& object, const char* key)
{
    const Json::Value* value = member(object, key);
    return value != nullptr && value->isArray() ? *value : null_value();
}

std::string format_fixed(double value)
{
    // Sign, every integer digit of the largest double, the point and six decimals.
    char text[1 + std::numeric_limits<double>::max_exponent10 + 1 + 1 + 6 + 1] = {};
    std::to_chars_result result = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return {};
    return std::string(text, result.ptr);
}

}  // namespace vuro::lenient
