// The single-instance lock: one holder at a time, released with its holder.

#include "single_instance.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts that each report CheckIsRunning over a pipe, then hold on until
// release() closes the other pipe.
class Starts {
public:
    Starts(const QString& root, int count)
    {
        if (pipe(answers_) != 0 || pipe(hold_) != 0)
            return;
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                close(answers_[0]);
                close(hold_[1]);
                const char running = CheckIsRunning(root) ? 'r' : 'h';
                (void)!write(answers_[1], &running, 1);
                char ignored = 0;
                (void)!read(hold_[0], &ignored, 1);  // returns when the parent releases
                _exit(0);
            }
            children_.push_back(pid);
        }
        close(answers_[1]);
        close(hold_[0]);
    }
    ~Starts() { release(); }

    // How many got the lock, once all have answered.
    int holders()
    {
        int count = 0;
        for (std::size_t i = 0; i < children_.size(); ++i) {
            char answer = 0;
            if (read(answers_[0], &answer, 1) == 1 && answer == 'h')
                ++count;
        }
        return count;
    }

    void release()
    {
        if (hold_[1] >= 0)
            close(hold_[1]);
        hold_[1] = -1;
        for (const pid_t pid : children_)
            waitpid(pid, nullptr, 0);
        children_.clear();
        if (answers_[0] >= 0)
            close(answers_[0]);
        answers_[0] = -1;
    }

private:
    int answers_[2] = {-1, -1};
    int hold_[2] = {-1, -1};
    std::vector<pid_t> children_;
};

TEST(SingleInstance, OneHolderAmongSimultaneousStartsAndNoneAfterItEnds)
{
    testsupport::TempFolder folder;
    const QString root = QString::fromStdString(folder.dir());
    {
        Starts starts(root, 4);
        EXPECT_EQ(starts.holders(), 1);
        // A later start while the holder runs.
        Starts later(root, 1);
        EXPECT_EQ(later.holders(), 0);
    }
    // Every holder has ended: the next start runs.
    Starts next(root, 1);
    EXPECT_EQ(next.holders(), 1);

    struct stat info {};
    ASSERT_EQ(stat(folder.file("temp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST(SingleInstance, LockFileIsNeverFollowedThroughALink)
{
    testsupport::TempFolder folder;
    ASSERT_EQ(mkdir(folder.file("temp").c_str(), 0755), 0);
    ASSERT_EQ(symlink(folder.file("planted").c_str(), folder.file("temp/printmonitorservice.lock").c_str()), 0);
    Starts start(QString::fromStdString(folder.dir()), 1);
    EXPECT_EQ(start.holders(), 1) << "a start that cannot lock runs";
    EXPECT_EQ(access(folder.file("planted").c_str(), F_OK), -1) << "no file created through the link";
}

}  // namespace
