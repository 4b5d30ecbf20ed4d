#pragma once

// A running printer-sim on one loopback address, its reply and log files in a
// temporary folder of its own. Use it inside the private network namespace.

#include "child_process.h"
#include "temp_folder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testbed {

// One datagram as the simulator logged it.
struct SimFrame {
    std::string sender;   // "127.0.0.1:40000"
    std::string header;   // "ok", "short", "bad-start-byte", "bad-length", "bad-marker"
    std::string hex;      // "A5 00 0C 50 E0 ..."
};

class SimPrinter {
public:
    // Starts the simulator on `address` (127.0.0.2 and up) with the extra
    // options given (for instance "--max-requests", "3"); silent until a reply is set.
    explicit SimPrinter(const std::string& address, const std::vector<std::string>& extraOptions = {});

    // True once the simulator logged that it listens (waits up to 5 s).
    bool waitListening();

    // The reply to every following request; written whole before the simulator sees it.
    void setReply(const std::vector<std::uint8_t>& bytes);
    // No reply to the following requests.
    void setSilent();

    // True once the simulator logged exactly `line` (waits up to timeoutMs):
    // after a request that gets no answer, its log lines may still be coming.
    bool waitForLine(const std::string& line, int timeoutMs = 2000) const;

    std::vector<std::string> logLines() const;
    std::vector<SimFrame> frames() const;

    // The simulator's exit status (ChildProcess::waitExit).
    int waitExit(int timeoutMs) { return process_->waitExit(timeoutMs); }

    const std::string& address() const { return address_; }
    const std::string& logPath() const { return logPath_; }
    const std::string& replyPath() const { return replyPath_; }

private:
    bool waitForLog(const std::function<bool(const std::string&)>& wanted, int timeoutMs) const;

    std::string address_;
    testsupport::TempFolder folder_;
    std::string logPath_;
    std::string replyPath_;
    std::unique_ptr<ChildProcess> process_;
};

// Bytes as printer-sim logs them: upper-case hex pairs separated by blanks.
std::string hexText(const std::vector<std::uint8_t>& bytes);

}  // namespace testbed
