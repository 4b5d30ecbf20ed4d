#pragma once

class QFile;
class QString;

// How the viewer opens the files it shares with other users under scan/, a
// folder every user may write to: a symbolic link at the name is never
// followed, and a fifo or device put there cannot hang the viewer.
namespace viewer_files {

enum class Opened { Ok, Missing, Failed };

// Opens the regular file at `path` read-only in text mode.
Opened openForReading(const QString &path, QFile &file);

// Opens the regular file at `path` write-only in text mode and truncates it.
// A missing file is created (mode 0666 before the umask) only when `create`;
// otherwise the result is Missing and nothing is made.
Opened openTruncated(const QString &path, bool create, QFile &file);

}  // namespace viewer_files
