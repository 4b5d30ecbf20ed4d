#pragma once

// Writing the files that only this service writes and other programs read
// (the printer list, the status snapshots, the heartbeat): each one is built
// in a temporary file beside it, given mode 0644 whatever the umask, and
// renamed over the old one, so a reader sees the old file or the new one whole.

#include <QByteArray>
#include <QString>

// Mode of the files above: the service writes, everyone reads.
inline constexpr unsigned kServiceFileMode = 0644;

// Replaces `path` with `bytes`; false (and the old file kept) on any failure.
bool ReplaceServiceFile(const QString& path, const QByteArray& bytes);

// For writers that need a file name to write to: a new empty temporary file
// beside `path` whose name does not end like the real file; empty on failure.
QString CreateTemporaryBeside(const QString& path);
// Sets the temporary file's mode and renames it over `path`; on failure the
// temporary file is removed.
bool CommitTemporary(const QString& temporary, const QString& path);
