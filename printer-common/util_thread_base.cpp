#include "util_thread_base.h"

#include <QDir>
#include <QThread>

UtilThreadBase::UtilThreadBase(QObject* parent)
    : QObject(parent)
{
}

bool UtilThreadBase::WaitForSleep(int ms)
{
    for (int step = 0; step < ms / kSleepStepMs; ++step) {
        if (m_bQuit)
            return true;
        SleepMs(kSleepStepMs);
    }
    if (ms % kSleepStepMs > 0)
        SleepMs(ms % kSleepStepMs);
    return m_bQuit;
}

void UtilThreadBase::SleepMs(int ms)
{
    QThread::msleep(static_cast<unsigned long>(ms));
}

bool UtilThreadBase::MakePathExist(const QString& folder)
{
    return QDir().mkpath(folder);
}
