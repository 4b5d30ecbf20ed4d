#pragma once

// The daemon's two logs under scan/: progress to the info log, errors to the
// error log. Every write is flushed at once; a log that could not be opened
// drops its lines.

#include <string>

// Empties both logs (at each daemon start) and opens them for appending.
void VuroInitDbg(const std::string& scanDir);
// Closes this process's log streams and opens them again for appending;
// each child process calls it first so that it appends through its own streams.
void VuroReopenDbg(const std::string& scanDir);

void logInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logError(const char* format, ...) __attribute__((format(printf, 1, 2)));
