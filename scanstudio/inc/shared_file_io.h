#pragma once

#include <string>
#include <string_view>

// Files in folders that other users of the machine may write: a name there
// may hold a link or a pipe by the time it is opened.
namespace helper {

enum class Durability { synced, unsynced };

// Writes `content` to a new file beside `path` and renames it over `path`,
// so readers see the old file or the new one, never a part, and a link at
// `path` is replaced, never written through. The new file is created 0600
// and gets its final mode before the rename: the old regular file's mode,
// or without one 0666 less the umask. `synced` flushes it to the disk
// before the rename. False, with the old file untouched, when any step
// fails.
bool replace_file(const std::string& path, std::string_view content, Durability durability);

// Opens the file at `path` for reading when it is a regular file: a link at
// the name is not followed, and a pipe there can not hold the open. The
// descriptor, or -1.
int open_regular_file(const std::string& path);

}  // namespace helper
