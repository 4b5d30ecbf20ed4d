#include "cups_queues.h"

#include "child_process.h"

#include <cstdlib>

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

int printHeldJob(const std::string& queue, const std::string& file)
{
    std::string output;
    if (runProgram({"/bin/sh", CUPS_TESTBED_SCRIPT, "print-held", queue, file}, 15000, &output) != 0)
        return -1;
    char* end = nullptr;
    const long number = std::strtol(output.c_str(), &end, 10);
    return end != output.c_str() && number > 0 && number < 1000000 ? static_cast<int>(number) : -1;
}

bool releaseJob(int number)
{
    const std::string which = number < 0 ? "all" : std::to_string(number);
    return runProgram({"/bin/sh", CUPS_TESTBED_SCRIPT, "release-job", which}, 10000) == 0;
}

bool setBackendStopDelay(int seconds)
{
    return runProgram({"/bin/sh", CUPS_TESTBED_SCRIPT, "stop-delay", std::to_string(seconds)}, 10000) == 0;
}

}  // namespace testbed
