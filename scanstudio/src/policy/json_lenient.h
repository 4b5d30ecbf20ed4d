#pragma once

#include <json/value.h>

#include <memory>
#include <string>
#include <vector>

// Reading rules of the profile: every member is optional and may hold any
// JSON type; nothing here throws.
namespace vuro::lenient {

// A number's integer value (cut toward zero, held to the int range), a
// string's leading decimal integer, 0 or 1 for a boolean; other types and a
// missing member leave `field` as it is.
void read_int(const Json::Value& object, const char* key, int& field);

template <typename Enum>
void read_enum(const Json::Value& object, const char* key, Enum& field)
{
    int value = field;
    read_int(object, key, value);
    field = static_cast<Enum>(value);
}

// A boolean as it is, a string equal to "true" in any case, a number whose
// integer value is not 0; anything else is false. A missing member leaves
// `field` as it is.
void read_bool(const Json::Value& object, const char* key, bool& field);

// A string as it is, a number printed with "%f" in the C locale, anything else
// the empty text. A missing member leaves `field` as it is.
void read_string(const Json::Value& object, const char* key, std::string& field);

// Containers of the wrong type read as absent: the member when it is an
// object, else none; the member when it is an array, else an empty value.
const Json::Value* object_member(const Json::Value& object, const char* key);
const Json::Value& array_member(const Json::Value& object, const char* key);

// The last `limit` object elements of the array member, in order, each
// loaded into a new item appended to `items`: items are appended as they
// come, so earlier ones beyond the limit are the oldest and are dropped.
// Elements of other types are passed over.
template <typename Item>
void read_objects(const Json::Value& object, const char* key, std::size_t limit,
                  std::vector<std::shared_ptr<Item>>& items)
{
    const Json::Value& array = array_member(object, key);
    std::vector<const Json::Value*> kept;
    for (Json::ArrayIndex i = array.size(); i > 0 && kept.size() < limit; --i) {
        const Json::Value& element = array[i - 1];
        if (element.isObject())
            kept.push_back(&element);
    }
    for (auto element = kept.rbegin(); element != kept.rend(); ++element) {
        auto item = std::make_shared<Item>();
        item->load(**element);
        items.push_back(item);
    }
}

// "%f" of a number in the C locale, for any double.
std::string format_fixed(double value);

}  // namespace vuro::lenient
