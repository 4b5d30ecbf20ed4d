#pragma once

// The demo programs print their own lines on the terminal; the scan engine's
// trace lines and Qt's warnings, which go to standard output and error, go
// to a log file in the step's folder instead.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <unistd.h>

// Points standard output and error at `logPath` and returns a line-buffered
// stream on the former standard output for the demo's own lines; null when
// either cannot be opened.
inline std::FILE *reportHereTraceTo(const QString &logPath)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const int terminal = dup(fileno(stdout));
    if (terminal < 0)
        return nullptr;
    std::FILE *report = fdopen(terminal, "w");
    if (report == nullptr) {
        close(terminal);
        return nullptr;
    }
    const QByteArray path = QFile::encodeName(logPath);
    if (!std::freopen(path.constData(), "w", stdout) || dup2(fileno(stdout), fileno(stderr)) < 0) {
        std::fclose(report);
        return nullptr;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::setvbuf(report, nullptr, _IOLBF, 0);
    return report;
}
