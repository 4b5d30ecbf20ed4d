#pragma once

#include <QObject>

#include <mutex>
#include <string>
#include <vector>

class VuroScanSDK;

// Records the session's signals in the order they are emitted, on the scan
// thread itself (direct connections), so a page event shows the size its file
// had at the moment it was announced.
class ScanJobRecorder : public QObject {
public:
    explicit ScanJobRecorder(VuroScanSDK &session);

    // "progress <n>", "page <file> <w>x<h> size <bytes>" (no size when the file
    // does not exist, " still open" when it is not closed yet), "error <status>", "job".
    std::vector<std::string> events() const;
    std::vector<std::string> pageFiles() const;  // full paths, as announced

private:
    void record(const std::string &event);

    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::vector<std::string> m_pageFiles;
};
