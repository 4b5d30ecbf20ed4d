#include "vuro_profile.h"

#include "json_lenient.h"
#include "profile_text.h"
#include "shared_file_io.h"
#include "utils.h"

#include <taliro/install_root.h>

#include <unistd.h>

#include <array>
#include <climits>
#include <cstdio>
#include <ctime>
#include <utility>

namespace vuro {

namespace {

const char kCurrentVersion[] = "1.0";

using version_parts = std::array<unsigned, 4>;

// Digits build the current part, each "." moves to the next, anything else is
// skipped; parts stop growing at their largest value.
version_parts split_version(const std::string& text)
{
    version_parts parts{};
    std::size_t part = 0;
    for (char c : text) {
        if (c == '.') {
            if (++part == parts.size())
                break;
        } else if (c >= '0' && c <= '9') {
            unsigned digit = static_cast<unsigned>(c - '0');
            unsigned& value = parts[part];
            value = value > (UINT_MAX - digit) / 10 ? UINT_MAX : value * 10 + digit;
        }
    }
    return parts;
}

bool is_older_than_current(const std::string& version)
{
    return split_version(version) < split_version(kCurrentVersion);
}

const char* image_extension(vuro_image_format format)
{
    switch (format) {
    case image_jpg: return ".jpg";
    case image_png: return ".png";
    case image_bmp: return ".bmp";
    case image_tif: return ".tif";
    case image_pdf: return ".pdf";
    case image_ofd: return ".ofd";
    }
    return "";
}

}  // namespace

profile::profile() : profile(std::string(taliro::kInstallRoot) + "scan/scanApp.conf") {}

profile::profile(std::string default_path) : default_path_(std::move(default_path)) {}

std::string profile::path_or_default(const char* path) const
{
    return path != nullptr && path[0] != '\0' ? std::string(path) : default_path_;
}

bool profile::load(const char* path)
{
    std::string file = path_or_default(path);
    std::string text;
    Json::Value root;
    if (!profile_text::read_file(file, text) || !profile_text::parse(text, root))
        return false;
    if (load_value(root))
        unlink(file.c_str());
    return true;
}

bool profile::load(const Json::Value& value)
{
    load_value(value);
    return true;
}

bool profile::load_value(const Json::Value& value)
{
    empty();
    lenient::read_string(value, "version", version);
    if (is_older_than_current(version)) {
        version = kCurrentVersion;
        return true;
    }
    if (const Json::Value* stored_config = lenient::object_member(value, "config"))
        config.load(*stored_config);
    lenient::read_objects(value, "scanners", kMaxScanners, scanners);
    lenient::read_int(value, "policy_index", policy_index);
    return false;
}

bool profile::save(const char* path) const
{
    std::string file = path_or_default(path);
    std::string folder = helper::get_file_directory(file);
    if (folder.empty())
        return false;
    const std::string text = profile_text::styled(to_value());
    // A file that the next load would refuse would lose every setting.
    if (text.size() > profile_text::kMaxFileSize)
        return false;
    helper::create_directory(folder);
    return helper::replace_file(file, text, helper::Durability::synced);
}

Json::Value profile::to_value() const
{
    Json::Value value(Json::objectValue);
    value["config"] = config.to_value();
    Json::Value& stored = value["scanners"];  // stays null without scanners
    for (const auto& device : scanners)
        stored.append(device->to_value());
    value["policy_index"] = policy_index;
    value["version"] = kCurrentVersion;
    return value;
}

std::shared_ptr<scanner> profile::get_scanner(const std::string& scanner_name) const
{
    for (const auto& device : scanners) {
        if (device->name == scanner_name)
            return device;
    }
    return nullptr;
}

std::shared_ptr<scanner> profile::add_scanner(const std::string& scanner_name, bool& existed)
{
    std::shared_ptr<scanner> device = get_scanner(scanner_name);
    existed = device != nullptr;
    if (existed)
        return device;
    device = std::make_shared<scanner>();
    device->name = scanner_name;
    device->last = std::make_shared<policy>();
    scanners.push_back(device);
    return device;
}

bool profile::remove_scanner(const std::string& scanner_name)
{
    for (auto it = scanners.begin(); it != scanners.end(); ++it) {
        if ((*it)->name == scanner_name) {
            scanners.erase(it);
            return true;
        }
    }
    return false;
}

int profile::get_policy_index()
{
    policy_index = policy_index < 0 || policy_index == INT_MAX ? 1 : policy_index + 1;
    save(nullptr);
    return policy_index;
}

std::string profile::get_default_img(vuro_image_format format) const
{
    std::string folder = config.save_directory.empty() ? get_default_vuro_scan_doucments_directory()
                                                       : config.save_directory;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char name[64];
    std::snprintf(name, sizeof name, "Vuro_%04d%02d%02d%02d%02d%02d%s", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, image_extension(format));
    return folder + name;
}

const std::string& profile::get_default_profile() const
{
    return default_path_;
}

void profile::empty()
{
    config.empty();
    scanners.clear();
    policy_index = 0;
}

}  // namespace vuro
