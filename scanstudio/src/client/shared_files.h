#pragma once

#include <QString>

// The files and folders that ScanStudio shares with other users and
// programs under scan/. Nothing here follows a symbolic link at the given
// name, and modes are changed on a descriptor, never through a command line.
namespace shared_files {

// Creates the file empty when it is missing and gives it mode 0777. A link,
// or anything but a regular file, at `path` is left alone. A file locked by
// this process (its lock file) is changed through the lock's descriptor.
void makeSharedFile(const QString &path);

// Gives the file mode 0777 when it is there; creates nothing, and leaves a
// link, or anything but a regular file, at `path` alone.
void shareExistingFile(const QString &path);

// Creates the folder with its missing parents and gives it mode 0777; a link
// at `path` is left alone.
void makeSharedFolder(const QString &path);

// Opens the file for appending, creating it with mode 0666 before the umask;
// -1 when it cannot be opened or is a link.
int openForAppend(const QString &path);

// Deletes every file in the folder tree at `path`, keeping the folders and
// hidden entries. Links are never followed: a link to a folder is left
// alone, any other link is removed as a file would be. False for an empty
// path; true otherwise, also when `path` is not a folder.
bool deleteFilesBelow(const QString &path);

}  // namespace shared_files
