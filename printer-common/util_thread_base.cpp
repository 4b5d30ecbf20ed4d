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
        QThread::msleep(kSleepStepMs);
    }
    if (ms % kSleepStepMs > 0)
        QThread::msleep(ms % kSleepStepMs);
    return m_bQuit;
}

bool UtilThreadBase::MakePathExist(const QString& folder)
{
    return QDir().mkpath(folder);
}
