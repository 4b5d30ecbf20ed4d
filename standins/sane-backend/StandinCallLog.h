#pragma once

#include <string>

namespace standin {

// Appends one line per call to the log file named by the script (none when empty).
void setCallLogPath(const std::string &path);
void logCall(const std::string &line);

}  // namespace standin
