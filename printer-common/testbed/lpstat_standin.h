#pragma once

// A folder holding the stand-in lpstat (lpstat-standin.sh) as "lpstat", with
// the output it prints and the log of its calls. Put folder() first on the
// PATH of the program under test, or run program() directly.

#include "temp_folder.h"

#include <string>
#include <vector>

namespace testbed {

class LpstatStandin {
public:
    LpstatStandin();

    const std::string& folder() const { return folder_.path(); }
    std::string program() const { return folder_.file("lpstat"); }

    // What "lpstat -p <queue>" prints, and what every other call prints.
    void setPrinterOutput(const std::string& text);
    void setJobOutput(const std::string& text);

    // One entry per call: its arguments joined by blanks.
    std::vector<std::string> calls() const;

private:
    void replace(const std::string& name, const std::string& text);

    testsupport::TempFolder folder_;
};

// A job listing as "lpstat -l -o" prints it: one job line and its alert.
std::string jobListing(const std::string& jobId, const std::string& alert);

}  // namespace testbed
