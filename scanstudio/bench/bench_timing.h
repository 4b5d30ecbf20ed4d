#pragma once

// What ScanStudio's benchmarks share beside the common figures: timed runs
// of outside tools and a message handler that keeps Qt's debug lines off the
// figures.

#include "bench_figures.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace bench {

// Runs the program `words[0]` (looked up on PATH) with the other words as
// its arguments, to its end: its time in milliseconds, -1 when it cannot
// start or does not end with status 0.
inline double runProgram(std::vector<std::string> words)
{
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    const double ms = msSince(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

// Passes warnings and worse on to standard error, drops debug lines.
inline void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace bench
