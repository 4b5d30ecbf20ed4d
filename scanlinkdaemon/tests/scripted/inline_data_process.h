#pragma once

// Runs a scan job in the calling process when it is released, in place of a
// forked data process: for the unit tests and the fuzz target.

#include "data_process.h"

#include <functional>
#include <utility>

class InlineDataProcess : public DataProcessRunner {
public:
    bool start(std::function<void()> job) override
    {
        pending_ = std::move(job);
        ++started_;
        return canStart_;
    }
    void release() override
    {
        std::function<void()> job = std::move(pending_);
        pending_ = nullptr;
        if (job && canStart_)
            job();
    }
    void stop() override { ++stopped_; }

    // Makes start() fail as a failed fork would.
    void failStarts() { canStart_ = false; }
    int started() const { return started_; }
    int stopped() const { return stopped_; }

private:
    std::function<void()> pending_;
    bool canStart_ = true;
    int started_ = 0;
    int stopped_ = 0;
};
