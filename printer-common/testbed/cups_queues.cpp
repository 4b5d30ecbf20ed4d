#include "cups_queues.h"

#include "child_process.h"

#ifndef CUPS_TESTBED_SCRIPT
#error "CUPS_TESTBED_SCRIPT must name cups-testbed.sh"
#endif

namespace testbed {

bool addCupsQueue(const std::string& name, const std::string& uri, const std::string& model)
{
    return runProgram({"/bin/sh", CUPS_TESTBED_SCRIPT, "add-queue", name, uri, model}, 10000) == 0;
}

bool removeCupsQueue(const std::string& name)
{
    return runProgram({"/bin/sh", CUPS_TESTBED_SCRIPT, "remove-queue", name}, 10000) == 0;
}

}  // namespace testbed
