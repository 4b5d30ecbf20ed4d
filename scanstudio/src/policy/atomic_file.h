#pragma once

#include <string>

namespace vuro {

// Writes `content` to a new file beside `path` and renames it over `path`,
// so readers see the old file or the new one, never a part. The new file gets
// the old file's mode; without an old file, 0666 less the umask. False, with
// the old file untouched, when any step fails.
bool replace_file(const std::string& path, const std::string& content);

}  // namespace vuro
