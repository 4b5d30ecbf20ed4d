#include "json_text.h"

#include "profile_text.h"

#include <cstring>

namespace json_text {

bool parseObject(const std::string &text, Json::Value &object)
{
    // The same reading rules as ScanStudio's profile.
    return vuro::profile_text::parse(text, object);
}

std::string stringMember(const Json::Value &object, const char *name)
{
    if (!object.isObject())
        return std::string();
    const Json::Value *member = object.find(name, name + std::strlen(name));
    return member && member->isString() ? member->asString() : std::string();
}

QString fromLocal(const std::string &bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<int>(bytes.size()));
}

}  // namespace json_text
