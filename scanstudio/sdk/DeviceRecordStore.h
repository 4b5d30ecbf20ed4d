#pragma once

#include <sane/sane.h>

#include <set>
#include <string>

// Keeps copies of the device strings the backend reported, so the records
// handed to callers stay valid after the backend's next device query, which
// frees its own. Equal strings share one copy, so repeated queries of the same
// scanners add nothing; no copy is freed before the store itself.
// Not locked itself: the session fills it under the backend lock.
class DeviceRecordStore {
public:
    // The same record, its strings pointing into the store (null stays null).
    SANE_Device keep(const SANE_Device &device);

private:
    const char *keepText(const char *text);

    std::set<std::string> m_texts;  // nodes never move, so their pointers hold
};
