#include "StandinScript.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

namespace standin {
namespace {

bool parseInt(const std::string &text, int &value)
{
    errno = 0;
    char *end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

}  // namespace

StandinScript loadStandinScript()
{
    StandinScript script;
    const char *path = std::getenv("TALIRO_STANDIN_BACKEND_SCRIPT");
    if (!path || !*path)
        return script;
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "standin backend: cannot read script %s\n", path);
        return script;
    }

    int feederFlag = script.feeder ? 1 : 0;
    int prerenderedFlag = 0;
    const std::map<std::string, int *> numbers = {
        {"devices", &script.devices},         {"feeder", &feederFlag},
        {"flatbed_pages", &script.flatbedPages}, {"feeder_pages", &script.feederPages},
        {"width", &script.width},             {"height", &script.height},
        {"report_width", &script.reportWidth}, {"report_height", &script.reportHeight},
        {"lead_bytes", &script.leadBytes},    {"fail_option", &script.failOption},
        {"fail_status", &script.failStatus},  {"init_status", &script.initStatus},
        {"get_devices_status", &script.getDevicesStatus}, {"open_status", &script.openStatus},
        {"params_status", &script.paramsStatus}, {"start_status", &script.startStatus},
        {"read_status", &script.readStatus},  {"read_status_at", &script.readStatusAt},
        {"read_throw_at", &script.readThrowAt}, {"read_overlong_at", &script.readOverlongAt},
        {"read_delay_ms", &script.readDelayMs},
        {"prerendered", &prerenderedFlag},
    };
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        if (key == "calllog") {
            script.callLogPath = value;
            continue;
        }
        const auto slot = numbers.find(key);
        if (slot == numbers.end() || !parseInt(value, *slot->second))
            std::fprintf(stderr, "standin backend: ignoring script line \"%s\"\n", line.c_str());
    }
    script.feeder = feederFlag != 0;
    script.prerendered = prerenderedFlag != 0;
    return script;
}

}  // namespace standin
