// Compiled once as it stands (the build fails if sound log calls stop
// compiling) and once per LOG_MISUSE value, each of which must be rejected.

#include "printer_log.h"

#include <QByteArray>
#include <QString>

void LogQueue(const QString& queueName)
{
    const QByteArray queue = queueName.toLocal8Bit();
#if LOG_MISUSE == 1
    WriteStringLog(__FILE__, __LINE__, __func__, queue.constData(), 1);
#elif LOG_MISUSE == 2
    PRINTER_LOG(queue.constData());
#elif LOG_MISUSE == 3
    PRINTER_LOG("cancel by printer %s", queueName);
#else
    PRINTER_LOG("cancel by printer %s", queue.constData());
    PRINTER_LOG("connect %s fail, ret = %d", qUtf8Printable(queueName), -5);
#endif
}
