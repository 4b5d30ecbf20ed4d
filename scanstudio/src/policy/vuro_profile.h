#pragma once

#include "vuro_config.h"
#include "vuro_enums.h"
#include "vuro_scanner.h"

#include <json/value.h>

#include <memory>
#include <string>
#include <vector>

namespace vuro {

// The most scanners that loading keeps (the newest: each device name seen is
// added at the end), far above real use.
inline constexpr std::size_t kMaxScanners = 256;

// ScanStudio's settings between runs, kept in one JSON file (scanApp.conf).
class profile {
public:
    // `default_path` is the file that a null or empty path means; by default
    // scan/scanApp.conf under the install root.
    profile();
    explicit profile(std::string default_path);

    // Rebuilds the profile from the file. False, with the profile unchanged,
    // for a missing, empty, oversized or unparsable file or one that holds no
    // JSON object. A file older than the current version is deleted and
    // leaves the profile empty. Only the newest kMaxScanners scanners and
    // kMaxPresetsPerScanner presets of each are kept.
    bool load(const char* path);
    // Rebuilds the profile from a parsed object; true.
    bool load(const Json::Value& value);
    // Writes the file through a temporary file in the same folder, keeping
    // the old file's mode; false when it cannot be written completely, or
    // when its text is longer than a load accepts (the old file then stays).
    bool save(const char* path) const;
    Json::Value to_value() const;

    std::shared_ptr<scanner> get_scanner(const std::string& scanner_name) const;
    std::shared_ptr<scanner> add_scanner(const std::string& scanner_name, bool& existed);
    bool remove_scanner(const std::string& scanner_name);

    // Counts policy_index on (restarting at 1), saves to the default path and
    // returns the new value.
    int get_policy_index();
    // A default output path in the save folder, named from the current UTC time.
    std::string get_default_img(vuro_image_format format) const;
    const std::string& get_default_profile() const;

    void empty();

    vuro::config config;
    std::vector<std::shared_ptr<scanner>> scanners;
    int policy_index = 0;
    std::string version;

private:
    // Loads the object; true when its version is older than the current one,
    // in which case the profile is left empty.
    bool load_value(const Json::Value& value);
    std::string path_or_default(const char* path) const;

    std::string default_path_;
};

}  // namespace vuro
