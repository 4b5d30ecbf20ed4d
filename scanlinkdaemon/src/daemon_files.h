#pragma once

// Files the daemon creates under scan/, a folder every user may write to,
// while it runs as root: never opened through a link, always mode 0644 (the
// daemon's umask is 0), readable by the client and changed only by the daemon.

#include <string>
#include <sys/types.h>

inline constexpr mode_t kDaemonFileMode = 0644;

// Removes whatever stands at path and creates a new empty file there for
// writing (`flags` adds open flags such as O_APPEND); an old file's mode is
// not kept. -1 when it cannot be created.
int createFileAnew(const std::string& path, int flags = 0);

// Opens the regular file at path for appending, creating it when it is
// missing; -1 for a link, a folder or anything else that is no regular file.
int openForAppend(const std::string& path);
