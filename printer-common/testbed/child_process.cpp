#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace testbed {

namespace {

pid_t spawn(const std::vector<std::string>& argv, int outputFd)
{
    if (argv.empty())
        return -1;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

int decode(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, int stdoutFd) : pid_(spawn(argv, stdoutFd)) {}

ChildProcess::~ChildProcess()
{
    terminate();
}

int ChildProcess::waitExit(int timeoutMs)
{
    if (pid_ <= 0)
        return status_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            status_ = done == pid_ ? decode(status) : -2;
            pid_ = -1;
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::terminate()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    if (waitExit(2000) == -1) {
        kill(pid_, SIGKILL);
        waitExit(2000);
    }
}

int runProgram(const std::vector<std::string>& argv, int timeoutMs, std::string* output)
{
    int pipeFds[2] = {-1, -1};
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return -2;
    ChildProcess child(argv, pipeFds[1]);
    close(pipeFds[1]);
    if (!child.started()) {
        close(pipeFds[0]);
        return -2;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd wait{pipeFds[0], POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        // Reading only what poll reported keeps the time-out.
        if (ready <= 0)
            break;
        char chunk[4096];
        const ssize_t got = read(pipeFds[0], chunk, sizeof chunk);
        if (got == 0 || (got < 0 && errno != EINTR))
            break;
        if (got > 0)
            text.append(chunk, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    if (output != nullptr)
        *output = text;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int status = child.waitExit(left > 0 ? static_cast<int>(left) : 0);
    if (status == -1)
        child.terminate();
    return status;
}

}  // namespace testbed
