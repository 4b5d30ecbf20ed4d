#pragma once

// Queues on the private cupsd of cups-testbed.sh, for tests that run inside
// it (testbed_add_gtest with CUPSD).

#include <string>

namespace testbed {

// Creates an enabled queue with a minimal PPD whose model name is `model`
// (lpadmin -p name -E -v uri -P ppd); true when cupsd took it.
bool addCupsQueue(const std::string& name, const std::string& uri, const std::string& model);

// Removes a queue (lpadmin -x name); like addCupsQueue, only on that cupsd.
bool removeCupsQueue(const std::string& name);

// Sends `file` as a raw job of the calling user and waits until the bed's
// backend holds it printing; the job number, or -1.
int printHeldJob(const std::string& queue, const std::string& file);
// Lets a held job finish (-1: every job, now and later).
bool releaseJob(int number);
// A cancelled job's backend takes this long to end; meanwhile CUPS shows the
// job stopping ("processing-to-stop-point").
bool setBackendStopDelay(int seconds);

}  // namespace testbed
