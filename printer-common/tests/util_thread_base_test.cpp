#include "util_thread_base.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <thread>

namespace {

class Worker : public UtilThreadBase {
public:
    void Quit() { m_bQuit = true; }
};

struct Timed {
    bool result;
    qint64 elapsedMs;
};

Timed TimedWait(Worker& worker, int ms)
{
    QElapsedTimer timer;
    timer.start();
    const bool result = worker.WaitForSleep(ms);
    return {result, timer.elapsed()};
}

TEST(WaitForSleep, SleepsInStepsAndTheRemainderWithoutTestingFirst)
{
    struct Case {
        int ms;
        bool quitBefore;
        qint64 atLeast;
        qint64 below;
    };
    const Case cases[] = {
        {1250, true, 0, 50},      // the flag ends the wait before the first step
        {1000, true, 0, 50},
        {100, true, 100, 400},    // a remainder alone is slept, then the flag read
        {0, true, 0, 50},
        {1250, false, 1250, 1700},
        {100, false, 100, 400},
        {0, false, 0, 50},
    };
    for (const Case& c : cases) {
        Worker worker;
        if (c.quitBefore)
            worker.Quit();
        const Timed t = TimedWait(worker, c.ms);
        EXPECT_EQ(t.result, c.quitBefore) << c.ms;
        EXPECT_GE(t.elapsedMs, c.atLeast) << c.ms << (c.quitBefore ? " with quit" : "");
        EXPECT_LT(t.elapsedMs, c.below) << c.ms << (c.quitBefore ? " with quit" : "");
    }
}

TEST(WaitForSleep, QuitFromAnotherThreadEndsTheWaitWithinOneStep)
{
    struct Case {
        int ms;
        int quitAfterMs;
        qint64 atLeast;
        qint64 below;
    };
    const Case cases[] = {
        {5000, 200, 500, 900},     // seen at the next step
        {1250, 1100, 1250, 1650},  // set during the remainder: that is slept out
    };
    for (const Case& c : cases) {
        Worker worker;
        std::thread quitter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(c.quitAfterMs));
            worker.Quit();
        });
        const Timed t = TimedWait(worker, c.ms);
        quitter.join();
        EXPECT_TRUE(t.result) << c.ms;
        EXPECT_GE(t.elapsedMs, c.atLeast) << c.ms;
        EXPECT_LT(t.elapsedMs, c.below) << c.ms;
    }
}

TEST(MakePathExist, CreatesMissingParentsAndFailsUnderAFile)
{
    QTemporaryDir dir;
    const QString nested = dir.path() + "/cfg/a/b";
    EXPECT_TRUE(UtilThreadBase::MakePathExist(nested));
    EXPECT_TRUE(QDir(nested).exists());
    EXPECT_TRUE(UtilThreadBase::MakePathExist(nested));

    QFile file(dir.path() + "/plain");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(UtilThreadBase::MakePathExist(dir.path() + "/plain/sub"));
}

}  // namespace
