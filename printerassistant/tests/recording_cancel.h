#pragma once

// A stand-in CUPS "cancel" first on the path: it records each call's
// arguments, one per line, and a blank line after each call.

#include "temp_folder.h"

#include <string>
#include <vector>

namespace assistant_test {

class RecordingCancel {
public:
    RecordingCancel();
    ~RecordingCancel();  // restores the path
    RecordingCancel(const RecordingCancel&) = delete;
    RecordingCancel& operator=(const RecordingCancel&) = delete;

    // The calls so far, each as its argument list.
    std::vector<std::vector<std::string>> Calls() const;

private:
    testsupport::TempFolder folder_;
    std::string oldPath_;
};

}  // namespace assistant_test
