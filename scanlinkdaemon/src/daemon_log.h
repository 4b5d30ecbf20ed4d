#pragma once

// The daemon's two logs under scan/: progress to the info log, errors to the
// error log. A log that cannot be opened drops its lines; it is tried again
// for each line.
//
// The daemon runs as root in a folder every user may write to, so a log is
// never opened through a link, and it is made mode 0644 whatever the umask.
// Each log is bounded: a line that would take it past kLogBound first turns
// it into its previous copy "<name>.1" (replacing the older one) and starts
// it anew. Every process appends through its own descriptor and follows the
// name before each line, so a rotation made by one process is seen by all.

#include <cstddef>
#include <string>

inline constexpr std::size_t kLogBound = 8u << 20;

// Creates both logs anew, empty (at each daemon start), removing their previous copies.
void VuroInitDbg(const std::string& scanDir);
// Closes this process's logs and opens them again for appending; each child
// process calls it first so that it appends through its own descriptors.
void VuroReopenDbg(const std::string& scanDir);

void logInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logError(const char* format, ...) __attribute__((format(printf, 1, 2)));
