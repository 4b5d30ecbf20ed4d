#pragma once

// A running netscan-sim on a loopback address, its script and log in a
// temporary folder of its own. Use it inside the private network namespace.

#include "temp_folder.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

class SimScanner {
public:
    // Starts the simulator on address with this script (standins/netscan-sim/sim_script.h).
    SimScanner(const std::string& script, const std::string& address = "127.0.0.2");
    // Ends the simulator.
    ~SimScanner();
    SimScanner(const SimScanner&) = delete;
    SimScanner& operator=(const SimScanner&) = delete;

    // True once the simulator listens on all its ports (waits up to 5 s).
    bool waitListening() const;

    // Every request of the service ("start", "abort", "adf", "caps", "osl")
    // whose connection has ended, in order: all the bytes the daemon sent on it.
    std::vector<std::string> requests(const std::string& service) const;
    // Waits until `count` requests of the service have ended.
    bool waitForRequests(const std::string& service, size_t count, int timeoutMs = 5000) const;
    // Waits until a log line holds `text`.
    bool waitForLine(const std::string& text, int timeoutMs = 5000) const;
    // How many data connections the daemon opened.
    size_t dataConnections() const;

    std::vector<std::string> logLines() const;
    const std::string& address() const { return address_; }

private:
    bool waitFor(const std::function<bool()>& done, int timeoutMs) const;

    std::string address_;
    testsupport::TempFolder folder_;
    pid_t pid_ = -1;
};
