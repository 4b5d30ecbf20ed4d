// Loads any text as a hand-edited scanApp.conf: no crash, and what the
// loaded profile writes reads back to the same text.
#include "libpolicy.h"
#include "profile_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Json::Value root;
    if (!vuro::profile_text::parse(std::string(reinterpret_cast<const char*>(data), size), root))
        return 0;
    vuro::profile first("/nonexistent/scanApp.conf");
    first.load(root);
    std::string written = vuro::profile_text::styled(first.to_value());

    Json::Value reread;
    if (!vuro::profile_text::parse(written, reread))
        std::abort();
    vuro::profile second("/nonexistent/scanApp.conf");
    second.load(reread);
    if (vuro::profile_text::styled(second.to_value()) != written)
        std::abort();
    return 0;
}
