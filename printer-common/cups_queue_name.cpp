#include "cups_queue_name.h"

bool IsCommandSafeQueueName(const QString& queue)
{
    return !queue.isEmpty() && !queue.startsWith(QLatin1Char('-')) && !queue.contains(QLatin1Char(','))
        && queue != QLatin1String("all");
}
