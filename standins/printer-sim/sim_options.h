#pragma once

// Command line of the simulated printer.

#include <netinet/in.h>

#include <string>

namespace printer_sim {

struct SimOptions {
    in_addr address{};       // the loopback address to serve on
    std::string replyPath;   // re-read for every request; missing or empty: no answer
    std::string logPath;     // empty: standard error
    long maxRequests = 0;    // 0: no limit on the count
    long maxSeconds = 60;    // the simulator always stops after this time
};

inline constexpr long kMaxSecondsLimit = 3600;

// True for a dotted IPv4 address in 127.0.0.2 ... 127.255.255.254: loopback,
// but neither the host's own 127.0.0.1 nor the network or broadcast address.
bool isSimAddress(const char* text, in_addr* address);

// Parses the arguments; on failure returns false with a message.
bool parseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error);

extern const char kUsage[];

}  // namespace printer_sim
