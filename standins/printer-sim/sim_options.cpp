#include "sim_options.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace printer_sim {

const char kUsage[] =
    "usage: printer-sim --address 127.0.0.N [--reply FILE] [--log FILE]\n"
    "                   [--max-requests N] [--max-seconds S]\n";

bool isSimAddress(const char* text, in_addr* address)
{
    in_addr parsed{};
    if (text == nullptr || inet_pton(AF_INET, text, &parsed) != 1)
        return false;
    const std::uint32_t host = ntohl(parsed.s_addr);
    if ((host >> 24) != 127 || host <= 0x7F000001u || host >= 0x7FFFFFFFu)
        return false;
    if (address != nullptr)
        *address = parsed;
    return true;
}

namespace {

bool parseCount(const char* text, long min, long max, long* value)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max)
        return false;
    *value = parsed;
    return true;
}

}  // namespace

bool parseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error)
{
    bool haveAddress = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value == nullptr) {
            *error = "missing value for " + name;
            return false;
        }
        ++i;
        if (name == "--address") {
            if (!isSimAddress(value, &options->address)) {
                *error = std::string("refused address ") + value + ": only 127.0.0.2 to 127.255.255.254";
                return false;
            }
            haveAddress = true;
        } else if (name == "--reply") {
            options->replyPath = value;
        } else if (name == "--log") {
            options->logPath = value;
        } else if (name == "--max-requests") {
            if (!parseCount(value, 0, 1000000, &options->maxRequests)) {
                *error = std::string("bad --max-requests ") + value;
                return false;
            }
        } else if (name == "--max-seconds") {
            if (!parseCount(value, 1, kMaxSecondsLimit, &options->maxSeconds)) {
                *error = std::string("bad --max-seconds ") + value;
                return false;
            }
        } else {
            *error = "unknown option " + name;
            return false;
        }
    }
    if (!haveAddress) {
        *error = "--address is required";
        return false;
    }
    return true;
}

}  // namespace printer_sim
