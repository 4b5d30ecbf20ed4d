#include "sim_scanner.h"

#include "sim_script.h"

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

#ifndef NETSCAN_SIM_PATH
#error "NETSCAN_SIM_PATH must name the netscan-sim program"
#endif

SimScanner::SimScanner(const std::string& script, const std::string& address) : address_(address)
{
    folder_.write("script.txt", script);
    const std::string scriptPath = folder_.file("script.txt");
    const std::string logPath = folder_.file("sim.log");
    const char* argv[] = {NETSCAN_SIM_PATH, "--address",  address.c_str(), "--script",      scriptPath.c_str(),
                          "--log",          logPath.c_str(), "--max-seconds", "300", nullptr};
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        pid_ = -1;
}

SimScanner::~SimScanner()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

bool SimScanner::waitListening() const
{
    return waitForLine("listening " + address_);
}

std::vector<std::string> SimScanner::requests(const std::string& service) const
{
    // "#<n> <service>: <escaped bytes>"
    std::vector<std::string> requests;
    for (const std::string& line : logLines()) {
        const size_t name = line.find(' ');
        if (line.rfind("#", 0) != 0 || name == std::string::npos ||
            line.compare(name + 1, service.size() + 2, service + ": ") != 0)
            continue;
        std::string bytes;
        if (netscan_sim::unescape(line.substr(name + service.size() + 3), bytes))
            requests.push_back(bytes);
    }
    return requests;
}

bool SimScanner::waitForRequests(const std::string& service, size_t count, int timeoutMs) const
{
    return waitFor([&] { return requests(service).size() >= count; }, timeoutMs);
}

bool SimScanner::waitForLine(const std::string& text, int timeoutMs) const
{
    return waitFor(
        [&] {
            for (const std::string& line : logLines()) {
                if (line.find(text) != std::string::npos)
                    return true;
            }
            return false;
        },
        timeoutMs);
}

size_t SimScanner::dataConnections() const
{
    size_t count = 0;
    for (const std::string& line : logLines())
        count += line.find(" data: ") != std::string::npos;
    return count;
}

std::vector<std::string> SimScanner::logLines() const
{
    return testsupport::readLines(folder_.file("sim.log"));
}

bool SimScanner::waitFor(const std::function<bool()>& done, int timeoutMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
