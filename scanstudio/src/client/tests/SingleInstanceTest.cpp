// The single-instance lock between processes: each holder is a forked child
// that reports already_running's result in its exit status (10 + result), so
// the lock's own exit(1) stays apart.

#include "shared_files.h"
#include "single_instance.h"

#include <temp_folder.h>

#include <QString>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using testsupport::TempFolder;

// A child that takes the lock, reports, and holds it until killed.
class Holder {
public:
    explicit Holder(const std::string &path, bool shareMode = false)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            const char result = static_cast<char>(already_running(path.c_str()));
            if (shareMode)
                shared_files::makeSharedFile(QString::fromStdString(path));
            const ssize_t ignored = write(ready[1], &result, 1);
            (void)ignored;
            pause();
            _exit(0);
        }
        close(ready[1]);
        char result = -1;
        if (read(ready[0], &result, 1) == 1)
            m_result = result;
        close(ready[0]);
    }
    ~Holder() { kill(); }

    int result() const { return m_result; }
    pid_t pid() const { return m_pid; }
    void kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_result = -1;
};

// Exit status of a child that tries the lock once: 10 + result, or the
// status of exit(1).
int tryOnce(const std::string &path)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(10 + already_running(path.c_str()));
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string pidText(pid_t pid)
{
    std::string text = std::to_string(pid);
    text.push_back('\0');
    return text;
}

TEST(SingleInstance, HolderWritesItsPidAndASecondStartIsRefused)
{
    TempFolder dir;
    const std::string path = dir.file("talirodaemon.pid");
    // A stale, longer text from a crashed run is replaced whole.
    dir.write("talirodaemon.pid", "1234567890123456789");

    Holder first(path);
    ASSERT_EQ(first.result(), 0);
    EXPECT_EQ(dir.read("talirodaemon.pid"), pidText(first.pid()));
    EXPECT_EQ(tryOnce(path), 11);
    EXPECT_EQ(dir.read("talirodaemon.pid"), pidText(first.pid()));

    // The lock dies with its holder, however it ends.
    first.kill();
    Holder next(path);
    ASSERT_EQ(next.result(), 0);
    EXPECT_EQ(dir.read("talirodaemon.pid"), pidText(next.pid()));
}

TEST(SingleInstance, NewLockFileIsCreatedWithMode0644)
{
    TempFolder dir;
    const mode_t old = umask(022);
    Holder holder(dir.file("taliroLogDaemon.pid"));
    umask(old);
    ASSERT_EQ(holder.result(), 0);
    struct stat st {};
    ASSERT_EQ(stat(dir.file("taliroLogDaemon.pid").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST(SingleInstance, ModeChangeThroughTheLockKeepsTheLock)
{
    TempFolder dir;
    const std::string path = dir.file("talirodaemon.pid");
    Holder holder(path, true);
    ASSERT_EQ(holder.result(), 0);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0777u);
    // Opening and closing the file again in the holder would have freed it.
    EXPECT_EQ(tryOnce(path), 11);
}

TEST(SingleInstance, LinkAtTheLockNameIsAFailedOpen)
{
    TempFolder dir;
    dir.write("target", "keep");
    ASSERT_EQ(symlink(dir.file("target").c_str(), dir.file("talirodaemon.pid").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("missing").c_str(), dir.file("dangling.pid").c_str()), 0);
    EXPECT_EQ(tryOnce(dir.file("talirodaemon.pid")), 1);
    EXPECT_EQ(tryOnce(dir.file("dangling.pid")), 1);
    EXPECT_EQ(dir.read("target"), "keep");
    EXPECT_EQ(access(dir.file("missing").c_str(), F_OK), -1);
}

TEST(SingleInstance, UnreachableFolderIsAFailedOpen)
{
    TempFolder dir;
    EXPECT_EQ(tryOnce(dir.file("no/such/folder/talirodaemon.pid")), 1);
}

}  // namespace
