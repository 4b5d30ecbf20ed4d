#include "daemon_log.h"

#include <cstdarg>
#include <cstdio>

namespace {

FILE* outFile = nullptr;
FILE* errFile = nullptr;

std::string infoLogPath(const std::string& scanDir) { return scanDir + "taliro_scan_info.log"; }
std::string errorLogPath(const std::string& scanDir) { return scanDir + "taliro_scan_err.log"; }

void closeLogs()
{
    if (outFile)
        std::fclose(outFile);
    if (errFile)
        std::fclose(errFile);
    outFile = errFile = nullptr;
}

void empty(const std::string& path)
{
    if (FILE* file = std::fopen(path.c_str(), "wb"))
        std::fclose(file);
}

void writeLine(FILE* stream, const char* format, va_list args)
{
    if (!stream)
        return;
    std::vfprintf(stream, format, args);
    std::fflush(stream);
}

}  // namespace

void VuroInitDbg(const std::string& scanDir)
{
    closeLogs();
    empty(infoLogPath(scanDir));
    empty(errorLogPath(scanDir));
    VuroReopenDbg(scanDir);
}

void VuroReopenDbg(const std::string& scanDir)
{
    closeLogs();
    outFile = std::fopen(infoLogPath(scanDir).c_str(), "ab+");
    errFile = std::fopen(errorLogPath(scanDir).c_str(), "ab+");
}

void logInfo(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine(outFile, format, args);
    va_end(args);
}

void logError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine(errFile, format, args);
    va_end(args);
}
