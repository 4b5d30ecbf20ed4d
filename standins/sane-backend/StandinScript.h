#pragma once

#include <climits>
#include <string>

namespace standin {

// What a test asks of the stand-in backend. Read from the key=value file named
// by TALIRO_STANDIN_BACKEND_SCRIPT at init; without it the defaults hold.
// Marks a number the script left out.
constexpr int kUnset = INT_MIN;

struct StandinScript {
    std::string callLogPath;    // calllog: one line per entry point call, empty = no log
    int devices = 1;            // devices: how many scanners get_devices lists (read at every query)
    bool feeder = true;         // feeder: the scanner has a document feeder
    int flatbedPages = 1;       // flatbed_pages: pages of a flatbed job
    int feederPages = 3;        // feeder_pages: pages of a feeder job
    int width = kUnset;         // width, height: page size in pixels (default: scan area at the resolution)
    int height = kUnset;
    int reportWidth = kUnset;   // report_width, report_height: what get_parameters tells (default: the page size)
    int reportHeight = kUnset;
    int leadBytes = 0;          // lead_bytes: data delivered before the first page begins
    int failOption = -1;        // fail_option, fail_status: that option answers with that status
    int failStatus = 4;         //   (default 4, invalid)
    int initStatus = 0;         // init_status, get_devices_status, open_status, params_status,
    int getDevicesStatus = 0;   // start_status: status of that entry point
    int openStatus = 0;
    int paramsStatus = 0;
    int startStatus = 0;
    int readStatus = 0;         // read_status, read_status_at: the read numbered read_status_at
    int readStatusAt = 1;       //   (from 1 within a job) answers read_status
    int readThrowAt = 0;        // read_throw_at: the read with that number throws (0: none)
    int readOverlongAt = 0;     // read_overlong_at: the read with that number reports one byte
                                //   more than it was asked for (0: none)
    int readDelayMs = 0;        // read_delay_ms: every read of a job first waits this long
    bool prerendered = false;   // prerendered: every page of a job is the first page, rendered
                                //   once and copied out as fast as it goes (for benchmarks)
};

StandinScript loadStandinScript();

}  // namespace standin
