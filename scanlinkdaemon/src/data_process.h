#pragma once

// Creates and ends the data process of a scan job.

#include "held_fork.h"

#include <functional>
#include <string>

class DataProcessRunner {
public:
    virtual ~DataProcessRunner() = default;
    // Creates the job's process; it waits until `release` before it runs the
    // job, so the start reply goes out before any record. False when the
    // process could not be created (or could not be held for a later stop).
    // Replaces the earlier job as the latest one.
    virtual bool start(std::function<void()> job) = 0;
    // Lets the started job run.
    virtual void release() = 0;
    // Kills the latest job's process, if it still runs, and waits until it has ended.
    virtual void stop() = 0;
};

// A forked process per job, held by a pidfd so that the kill can never hit
// another process that got the same pid.
class ForkedDataProcess : public DataProcessRunner {
public:
    explicit ForkedDataProcess(std::string scanDir);
    ~ForkedDataProcess() override;
    ForkedDataProcess(const ForkedDataProcess&) = delete;
    ForkedDataProcess& operator=(const ForkedDataProcess&) = delete;

    bool start(std::function<void()> job) override;
    void release() override;
    void stop() override;

private:
    void forget();

    std::string scanDir_;
    HeldChild child_;
};
