#include "util_thread_base.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <thread>
#include <vector>

namespace {

class Worker : public UtilThreadBase {
public:
    void Quit() { m_bQuit = true; }
};

// Records the sleeps of a wait instead of sleeping; during the sleep numbered
// quitDuring (from 0) another thread sets the quit flag.
class RecordingWorker : public Worker {
public:
    explicit RecordingWorker(int quitDuring = -1) : m_quitDuring(quitDuring) {}

    std::vector<int> sleeps;

protected:
    void SleepMs(int ms) override
    {
        if (static_cast<int>(sleeps.size()) == m_quitDuring)
            std::thread([this] { Quit(); }).join();
        sleeps.push_back(ms);
    }

private:
    int m_quitDuring;
};

TEST(WaitForSleep, SleepsInStepsAndTheRemainderWithoutTestingFirst)
{
    struct Case {
        int ms;
        bool quitBefore;
        std::vector<int> sleeps;
    };
    const Case cases[] = {
        {1250, true, {}},  // the flag ends the wait before the first step
        {1000, true, {}},
        {100, true, {100}},  // a remainder alone is slept, then the flag read
        {0, true, {}},
        {1250, false, {500, 500, 250}},
        {1000, false, {500, 500}},
        {100, false, {100}},
        {0, false, {}},
    };
    for (const Case& c : cases) {
        RecordingWorker worker;
        if (c.quitBefore)
            worker.Quit();
        EXPECT_EQ(worker.WaitForSleep(c.ms), c.quitBefore) << c.ms;
        EXPECT_EQ(worker.sleeps, c.sleeps) << c.ms << (c.quitBefore ? " with quit" : "");
    }

    // The real sleeps take their time.
    Worker worker;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(worker.WaitForSleep(1250));
    EXPECT_GE(timer.elapsed(), 1250);
}

TEST(WaitForSleep, QuitFromAnotherThreadEndsTheWaitWithinOneStep)
{
    struct Case {
        int ms;
        int quitDuring;
        std::vector<int> sleeps;
    };
    const Case cases[] = {
        {5000, 0, {500}},            // seen at the next step
        {1250, 2, {500, 500, 250}},  // set during the remainder: that is slept out
    };
    for (const Case& c : cases) {
        RecordingWorker worker(c.quitDuring);
        EXPECT_TRUE(worker.WaitForSleep(c.ms)) << c.ms;
        EXPECT_EQ(worker.sleeps, c.sleeps) << c.ms;
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
