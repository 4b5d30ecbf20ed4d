#pragma once

#include <string>

namespace vuro {

// Writes `content` to a new file beside `path` and renames it over `path`,
// so readers see the old file or the new one, never a part. The new file is
// created 0600 and gets its final mode before the rename: the old file's
// mode, or without an old file 0666 less the umask. False, with the old file
// untouched, when any step fails.
bool replace_file(const std::string& path, const std::string& content);

}  // namespace vuro
