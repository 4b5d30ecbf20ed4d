#pragma once

#include <taliro/install_root.h>

#include <QString>

// The printer-side programs, each with its own log folder and file prefix.
enum class LogProgram {
    PrintMonitorService,  // log/, "log_srv"
    PrinterAssistant,     // tool/, "log_tool"
    PrinterConfigurator,  // tool/, "log_nettool"
    FirmwareUpdater,      // log/, "log_fwupdate"
};

// Switches the file log on or off. On: creates the program's folder under
// `installRoot` and names the file after the current time; the file itself
// is created by the first line. Off: nothing is created or written.
void SetLogEnable(bool on, LogProgram program,
                  const QString& installRoot = QString::fromUtf8(taliro::kInstallRoot));

// Appends one line "[yyyy-MM-dd hh:mm:ss.zzz] (file@line function) message\n"
// when the log is on. The message is `format` filled printf-style in the C
// locale and cut to 1023 bytes. Outside text (queue names, paths) goes in as
// a "%s" argument, never as the format; pass QString values as
// qUtf8Printable() or toLocal8Bit().constData().
void WriteStringLog(const char* file, int line, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

#define PRINTER_LOG(...) WriteStringLog(__FILE__, __LINE__, __func__, __VA_ARGS__)
