#pragma once

#include "vuro_enums.h"
#include "vuro_policy.h"

#include <json/value.h>

#include <memory>
#include <string>
#include <vector>

namespace vuro {

// The most presets of a scanner that loading keeps (the newest), far above real use.
inline constexpr std::size_t kMaxPresetsPerScanner = 256;

// One scanner that was seen once, with its presets and its last used preset.
class scanner {
public:
    void empty();
    void load(const Json::Value& value);
    Json::Value to_value() const;

    std::shared_ptr<policy> get_policy(const std::string& policy_name) const;
    int get_policy_index(const std::string& policy_name) const;
    bool remove_policy(const std::string& policy_name);
    bool remove_policy(int index);
    // Replaces the last preset and returns the one it replaced.
    std::shared_ptr<policy> set_lastpolicy(std::shared_ptr<policy> policy_last);

    // A new built-in preset; empty for a type that has none.
    static std::shared_ptr<policy> get_def_policy(vuro_policy_type type);

    std::string name;  // the SANE device name
    std::string driver;
    std::string uuid;
    std::vector<std::shared_ptr<policy>> policys;
    std::shared_ptr<policy> last;
};

}  // namespace vuro
