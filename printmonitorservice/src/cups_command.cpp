#include "cups_command.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr char kLocaleSetting[] = "LC_ALL=C.UTF-8";

// The service's environment with the locale replaced, built once.
const std::vector<char*>& CommandEnvironment()
{
    static const std::vector<std::string> entries = [] {
        std::vector<std::string> result;
        for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
            if (std::strncmp(*entry, "LC_ALL=", 7) != 0)
                result.emplace_back(*entry);
        result.emplace_back(kLocaleSetting);
        return result;
    }();
    static const std::vector<char*> pointers = [] {
        std::vector<char*> result;
        for (const std::string& entry : entries)
            result.push_back(const_cast<char*>(entry.c_str()));
        result.push_back(nullptr);
        return result;
    }();
    return pointers;
}

pid_t Spawn(const QString& program, const QStringList& arguments, int outputFd)
{
    std::vector<QByteArray> words;
    words.push_back(QFile::encodeName(program));
    // CUPS names are UTF-8, as printers.conf was read.
    for (const QString& argument : arguments)
        words.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), CommandEnvironment().data());
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

// Reads the pipe to its end or to the deadline; keeps at most the bound.
// False when the deadline came first.
bool ReadOutput(int fd, QByteArray& output)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kCommandTimeoutMs);
    char chunk[16384];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd wait{fd, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return false;
        if (ready < 0)
            return true;
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return true;
        const qsizetype room = kMaxCommandOutput - output.size();
        output.append(chunk, static_cast<int>(qMin<qsizetype>(room, got)));
    }
}

}  // namespace

QByteArray RunCupsCommand(const QString& program, const QStringList& arguments)
{
    int pipeFds[2] = {-1, -1};
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return QByteArray();
    const pid_t pid = Spawn(program, arguments, pipeFds[1]);
    close(pipeFds[1]);
    QByteArray output;
    if (pid > 0 && !ReadOutput(pipeFds[0], output)) {
        kill(pid, SIGKILL);
        output.clear();
    }
    close(pipeFds[0]);
    if (pid > 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return output;
}
