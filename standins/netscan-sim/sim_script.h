#pragma once

// The script of the simulated network scanner: its answers on the HTTP
// service (port 80) and the attribute service (port 5000), and the page data
// streams it sends on the data port (2080).
//
// One directive per line; blank lines and lines starting with "#" are skipped.
// Texts are written after "=" with the escapes \r \n \t \\ and \xHH.
//
//   start|abort|adf|caps|osl [options] [= <text>]
//       The answer to the next request of that kind: scan start, abort,
//       feeder status, capabilities, attribute query. Successive requests of
//       a kind take successive answers, the last repeats. Without "= <text>"
//       no answer is sent. An HTTP request with no scripted answer gets
//       "HTTP/1.1 404 Not Found"; an attribute query gets none.
//       An attribute answer is sent after its 4-byte big-endian length.
//     options:
//       delay <ms>        wait before answering
//       split <n> <ms>    send the first n bytes, wait, then the rest
//       hold              keep the connection open after the answer (or in
//                         place of one) until the daemon closes it;
//                         otherwise the simulator closes it at once
//       length <n>        (osl) announce n bytes whatever the text's length
//
//   job
//       Begins the steps of the next data connection; successive connections
//       take successive jobs, the last repeats. Steps:
//     jobheader <n>                 a job header announcing n bytes, then n bytes
//     newfile <n>                   a new page: its block header, a page header
//                                   announcing n bytes, then n bytes
//     data <n> <fill> [x<count>]    data blocks of n bytes of the fill byte
//     jobdone | jobcancel
//     raw = <text>                  these bytes
//     pause <ms>
//     hold                          send nothing more, keep the connection open
//   After its last step (but hold) the simulator closes the data connection.

#include <cstddef>
#include <string>
#include <vector>

namespace netscan_sim {

enum class Service { Start, Abort, Adf, Caps, Osl, Count };
inline constexpr const char* kServiceNames[] = {"start", "abort", "adf", "caps", "osl"};

struct Answer {
    bool send = false;
    std::string bytes;  // the attribute answer with its length
    long delayMs = 0;
    size_t splitAt = 0;  // 0: sent at once
    long splitMs = 0;
    bool hold = false;
};

struct Step {
    enum class Kind { Bytes, Pause, Hold };
    Kind kind = Kind::Bytes;
    std::string bytes;
    long count = 1;
    long ms = 0;
};

struct Script {
    std::vector<Answer> answers[static_cast<size_t>(Service::Count)];
    std::vector<std::vector<Step>> jobs;
};

bool parseScript(const std::string& text, Script& script, std::string& error);

// The escapes of script texts: \r \n \t \\ \xHH. False on a bad escape.
bool unescape(const std::string& text, std::string& bytes);
// Bytes as the log writes them: printable ASCII as it is (a backslash doubled), else escaped.
std::string escape(const std::string& bytes);

// Stream headers with a size field.
std::string jobHeader(size_t size);
std::string pageHeader(size_t size);
std::string dataHeader(size_t size);

}  // namespace netscan_sim
