#pragma once

#include <QObject>
#include <QString>

#include <atomic>

// Base of the printer-side worker objects that run on threads of their own.
class UtilThreadBase : public QObject {
    Q_OBJECT

public:
    explicit UtilThreadBase(QObject* parent = nullptr);

    static constexpr int kSleepStepMs = 500;

    // Sleeps `ms` in steps of 500 ms, returning true as soon as the quit flag
    // is seen set; the remainder below a step is slept without testing the
    // flag first. Returns the quit flag.
    bool WaitForSleep(int ms);

    // True when the folder exists or was created with its missing parents.
    static bool MakePathExist(const QString& folder);

protected:
    // One sleep of a wait; a test stands in for it to follow the steps.
    virtual void SleepMs(int ms);

    bool m_bRunning = false;           // set by the worker's loop when it starts
    std::atomic_bool m_bQuit{false};   // set from another thread to end the loop
};
