#include "vuro_scanner.h"

#include "json_lenient.h"

#include <utility>

namespace vuro {

void scanner::empty()
{
    name.clear();
    driver.clear();
    uuid.clear();
    policys.clear();
    last.reset();
}

void scanner::load(const Json::Value& value)
{
    empty();
    lenient::read_string(value, "name", name);
    lenient::read_string(value, "driver", driver);
    lenient::read_string(value, "uuid", uuid);
    lenient::read_objects(value, "policys", kMaxPresetsPerScanner, policys);
    if (const Json::Value* stored_last = lenient::object_member(value, "last")) {
        if (!last)
            last = std::make_shared<policy>();
        last->load(*stored_last);
    }
}

Json::Value scanner::to_value() const
{
    Json::Value value(Json::objectValue);
    value["name"] = name;
    value["driver"] = driver;
    value["uuid"] = uuid;
    Json::Value& stored = value["policys"];  // stays null without presets
    for (const auto& preset : policys)
        stored.append(preset->to_value());
    if (last)
        value["last"] = last->to_value();
    return value;
}

std::shared_ptr<policy> scanner::get_policy(const std::string& policy_name) const
{
    int index = get_policy_index(policy_name);
    return index < 0 ? nullptr : policys[static_cast<std::size_t>(index)];
}

int scanner::get_policy_index(const std::string& policy_name) const
{
    for (std::size_t i = 0; i < policys.size(); ++i) {
        if (policys[i]->name == policy_name)
            return static_cast<int>(i);
    }
    return -1;
}

bool scanner::remove_policy(const std::string& policy_name)
{
    return remove_policy(get_policy_index(policy_name));
}

bool scanner::remove_policy(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= policys.size())
        return false;
    policys.erase(policys.begin() + index);
    return true;
}

std::shared_ptr<policy> scanner::set_lastpolicy(std::shared_ptr<policy> policy_last)
{
    std::swap(last, policy_last);
    return policy_last;
}

std::shared_ptr<policy> scanner::get_def_policy(vuro_policy_type type)
{
    auto preset = std::make_shared<policy>();
    switch (type) {
    case policy_picture:
        preset->dpi = 300;
        return preset;
    case policy_document:
        preset->dpi = 200;
        preset->color = color_gray;
        preset->quality = 0;
        preset->image = image_pdf;
        return preset;
    default:
        return nullptr;
    }
}

}  // namespace vuro
