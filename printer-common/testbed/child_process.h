#pragma once

// Starting and reaping helper programs from tests, with an argument vector and
// never through a shell.

#include <sys/types.h>

#include <string>
#include <vector>

namespace testbed {

class ChildProcess {
public:
    // Starts argv[0] (a path) with the given arguments, its standard output on
    // stdoutFd when that is not -1; started() tells whether it ran.
    explicit ChildProcess(const std::vector<std::string>& argv, int stdoutFd = -1);
    ~ChildProcess();  // terminates and reaps a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }

    // The exit status, -1 when still running after the time-out, -2 when it
    // ended by a signal.
    int waitExit(int timeoutMs);

    void terminate();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// Runs a program to its end and gives its exit status (as waitExit); its
// standard output is stored in *output when given.
int runProgram(const std::vector<std::string>& argv, int timeoutMs, std::string* output = nullptr);

}  // namespace testbed
