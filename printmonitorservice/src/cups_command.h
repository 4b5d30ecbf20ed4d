#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs a CUPS command as a process of its own with an argument list, never
// through a shell, and gives what it printed on standard output (at most
// kMaxCommandOutput bytes; empty when it could not run). It runs in the
// C.UTF-8 locale, so its messages are the English ones the callers read.
// A command still running after kCommandTimeoutMs is killed.
QByteArray RunCupsCommand(const QString& program, const QStringList& arguments);

inline constexpr int kMaxCommandOutput = 8 * 1024 * 1024;
inline constexpr int kCommandTimeoutMs = 30000;
