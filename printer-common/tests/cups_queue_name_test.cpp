#include "cups_queue_name.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

TEST(IsCommandSafeQueueName, RefusesNamesTheCupsCommandsReadAsOptionsOrSeveralQueues)
{
    struct Case {
        const char* name;
        bool safe;
    };
    const Case cases[] = {
        {"Q1", true},
        {"TX-560", true},
        {"7", true},    // cancel looks for a queue of that name before a job number
        {"x-1", true},  // and before a job id
        {"All", true},  // lpstat's "all" is case-sensitive
        {"Q$(x);`y`", true},
        {"打印机", true},
        {"", false},
        {"-a", false},
        {"-", false},
        {"--help", false},
        {"all", false},
        {"a,b", false},
        {"good,", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsCommandSafeQueueName(QString::fromUtf8(c.name)), c.safe) << c.name;
}

}  // namespace
