#pragma once

// The installed PrintMonitorService started as a process of a black-box test,
// and what it writes under the install root.

#include "child_process.h"
#include "printer_records.h"

#include <QList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace monitor_test {

// A file below the install root: "cfg/printerlist.ini".
std::string Installed(const std::string& relative);
// The file's bytes; empty when it is missing.
std::string ReadInstalled(const std::string& relative);
bool InstalledExists(const std::string& relative);

// Waits until `condition` holds, testing every 20 ms; false after timeoutMs.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);

class MonitorService {
public:
    // Starts the installed program in folder `cwd` (empty: the test's own),
    // with folder `pathFirst` ahead on its PATH when given (a stand-in lpstat).
    explicit MonitorService(const std::string& cwd = "", const std::string& pathFirst = "");

    bool started() const { return process_->started(); }
    // The exit status, or -1 while it still runs after timeoutMs.
    int waitExit(int timeoutMs) { return process_->waitExit(timeoutMs); }

private:
    std::unique_ptr<testbed::ChildProcess> process_;
};

// The printer list: its groups, and the printers as the readers' own reader
// takes them.
struct PrinterList {
    bool exists = false;
    int count = -1;
    std::vector<std::string> groups;
    QList<stPrinterInfo> printers;
};
PrinterList ReadPrinterList();

// "name|model|type|port|uri", for comparing records.
std::string Describe(const stPrinterInfo& info);
std::vector<std::string> Describe(const QList<stPrinterInfo>& list);

}  // namespace monitor_test
