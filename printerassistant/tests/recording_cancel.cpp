#include "recording_cancel.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

namespace assistant_test {

RecordingCancel::RecordingCancel()
{
    const std::string log = folder_.file("calls.log");
    folder_.write("cancel",
                  "#!/bin/sh\n"
                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" + log + "'\n"
                  "echo >> '" + log + "'\n");
    ::chmod(folder_.file("cancel").c_str(), 0755);
    const char* path = std::getenv("PATH");
    oldPath_ = path != nullptr ? path : "";
    ::setenv("PATH", (folder_.path() + ":" + oldPath_).c_str(), 1);
}

RecordingCancel::~RecordingCancel()
{
    ::setenv("PATH", oldPath_.c_str(), 1);
}

std::vector<std::vector<std::string>> RecordingCancel::Calls() const
{
    std::vector<std::vector<std::string>> calls;
    std::istringstream log(folder_.read("calls.log"));
    std::vector<std::string> call;
    for (std::string line; std::getline(log, line);) {
        if (line.empty()) {
            calls.push_back(call);
            call.clear();
        } else {
            call.push_back(line);
        }
    }
    return calls;
}

}  // namespace assistant_test
