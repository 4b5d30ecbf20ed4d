#pragma once

// One instance per machine: a POSIX write lock on a lock file that holds the
// owner's pid. ScanStudio and ScanLogViewer each take it on their own file.

// Takes the whole-file write lock on `fd` without waiting; the fcntl result
// (0, or -1 with errno set).
int lockfile(int fd);

// 0 when this process now holds the lock on `path` (its pid and a zero byte
// written there); 1 when another process holds it, after the system log line
// "file: <path> already locked". Any other failure (the file cannot be opened,
// a symbolic link at `path` included, or cannot be locked) is logged and ends
// the process with status 1. The descriptor stays open for the life of the
// process: closing any descriptor of the file would drop the lock.
int already_running(const char *path);

// The descriptor that holds the lock on `path`, or -1 when this process took
// no lock there. The file's mode is changed through it, since opening and
// closing the file again would release the lock.
int held_lock_descriptor(const char *path);
