#pragma once

#include <QLockFile>
#include <QString>

// The per-user lock that keeps one assistant running for each user, held by
// the running assistant in the user's home folder.
QString InstanceLockPath(const QString& homePath);

// True when another assistant of this user holds `lock`; otherwise `lock` is
// now held by this process. A lock that cannot be made counts as free.
bool CheckIsRunning(QLockFile& lock);

// True when an argument after the program name is "-hide", ignoring case.
bool CheckIsHide(int argc, const char* const* argv);

// The modal box that tells that the assistant already runs.
void ShowAlreadyRunningBox();
