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
        return canStart_;
    }
    void release() override
    {
        std::function<void()> job = std::move(pending_);
        pending_ = nullptr;
        if (job && canStart_)
            job();
    }
    void stop() override
    {
        ++stopped_;
        if (onStop_)
            onStop_();
    }

    // Makes start() fail as a failed fork would.
    void failStarts() { canStart_ = false; }
    int stopped() const { return stopped_; }
    // Called at each stop, to look at what has happened by then.
    void onStop(std::function<void()> look) { onStop_ = std::move(look); }

private:
    std::function<void()> pending_;
    std::function<void()> onStop_;
    bool canStart_ = true;
    int stopped_ = 0;
};
