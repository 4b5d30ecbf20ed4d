#include "StandinCallLog.h"

#include <cstdio>

namespace standin {
namespace {
std::string g_callLogPath;
}

void setCallLogPath(const std::string &path)
{
    g_callLogPath = path;
}

void logCall(const std::string &line)
{
    if (g_callLogPath.empty())
        return;
    // Opened per line, so the log is complete whatever happens to the caller.
    if (std::FILE *log = std::fopen(g_callLogPath.c_str(), "a")) {
        std::fputs(line.c_str(), log);
        std::fputc('\n', log);
        std::fclose(log);
    }
}

}  // namespace standin
