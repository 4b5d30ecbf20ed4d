#pragma once

// Starts a daemon binary at the real install root (inside the test's private
// namespaces) and finds, watches and ends its processes through /proc.

#include <string>
#include <sys/types.h>
#include <vector>

class DaemonProcess {
public:
    ~DaemonProcess();

    // Runs the program (which daemonises itself) with these arguments and
    // waits until it accepts connections on 127.0.0.1:7003. Sanitizer reports
    // of every daemon process go to files that `sanitizerReports` reads.
    bool start(const std::string& program, const std::vector<std::string>& arguments);
    // Kills every process of the daemon's session and waits until they are gone.
    void killAll();

    pid_t listenerPid() const { return listener_; }
    std::string sanitizerReports() const;

private:
    pid_t listener_ = 0;
    pid_t session_ = 0;
};

// /proc look-ups.
bool processExists(pid_t pid);
pid_t parentOf(pid_t pid);
std::vector<pid_t> childrenOf(pid_t parent);
std::string descriptorTarget(pid_t pid, int fd);
std::vector<std::string> descriptorTargets(pid_t pid);
// The local address (as /proc/net/tcp writes it) and the socket inode of the listening socket on port.
bool findListeningSocket(int port, std::string& localAddress, std::string& inode);
// Waits up to timeoutMs until predicate() holds.
template <class Predicate>
bool waitUntil(Predicate predicate, int timeoutMs);

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& content);

#include <chrono>
#include <thread>

template <class Predicate>
bool waitUntil(Predicate predicate, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
