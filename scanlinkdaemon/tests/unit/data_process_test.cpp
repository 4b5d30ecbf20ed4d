// The forked data process: held back until its release, stopped for good
// before stop() returns, and never run when it could not be held.

#include "data_process.h"
#include "temp_folder.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool readable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}

// Makes pidfd_open fail with ENOSYS in this process and its children.
bool withoutProcessHandles()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_pidfd_open, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

class ForkedDataProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pipe2(job, O_CLOEXEC), 0); }
    void TearDown() override
    {
        // A job that a fault left running is ended here.
        if (jobPid > 0)
            kill(jobPid, SIGKILL);
        close(job[0]);
        if (job[1] >= 0)
            close(job[1]);
    }

    // A job that sends its pid and then never ends by itself; only the job's
    // process keeps the write end of the pipe once the test closed its own.
    std::function<void()> endlessJob()
    {
        const int writeEnd = job[1];
        return [writeEnd] {
            const pid_t self = getpid();
            if (write(writeEnd, &self, sizeof self) == sizeof self) {
                for (;;)
                    pause();
            }
        };
    }
    // True when the job sent its pid within timeoutMs.
    bool jobRan(int timeoutMs)
    {
        return readable(job[0], timeoutMs) && read(job[0], &jobPid, sizeof jobPid) == sizeof jobPid;
    }
    // True when no process holds the write end any more: end of stream at once.
    bool jobEnded()
    {
        char byte = 0;
        return readable(job[0], 0) && read(job[0], &byte, 1) == 0;
    }
    void closeOwnWriteEnd()
    {
        close(job[1]);
        job[1] = -1;
    }

    testsupport::TempFolder folder;
    int job[2] = {-1, -1};
    pid_t jobPid = 0;
};

TEST_F(ForkedDataProcessTest, JobRunsOnlyAfterReleaseAndHasEndedWhenStopReturns)
{
    ForkedDataProcess process(folder.dir());
    ASSERT_TRUE(process.start(endlessJob()));
    closeOwnWriteEnd();
    EXPECT_FALSE(readable(job[0], 200)) << "the job ran before its release";
    process.release();
    ASSERT_TRUE(jobRan(2000));
    process.stop();
    EXPECT_TRUE(jobEnded());
    process.stop();  // nothing left to stop
}

TEST_F(ForkedDataProcessTest, JobThatCouldNotBeHeldForStoppingIsNotRun)
{
    // A process of its own, on a kernel without process handles as far as it can tell.
    const pid_t tester = fork();
    ASSERT_GE(tester, 0);
    if (tester == 0) {
        if (!withoutProcessHandles())
            _exit(2);
        ForkedDataProcess process(folder.dir());
        const bool started = process.start(endlessJob());
        process.release();
        _exit(started ? 1 : 0);
    }
    closeOwnWriteEnd();
    int status = -1;
    ASSERT_EQ(waitpid(tester, &status, 0), tester);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "start() did not report the failure";
    EXPECT_FALSE(jobRan(500));
    EXPECT_TRUE(jobEnded());
}

}  // namespace
