#pragma once

#include <cstddef>
#include <string>

// The user's default folder for scan output: $HOME/taliroScan.
// Without a usable HOME the account's home folder from the user database is
// used; without that either, the relative folder "taliroScan".
std::string get_default_vuro_scan_doucments_directory();

namespace helper {

// Longest path the helpers accept, and longest folder prefix created on the way.
inline constexpr std::size_t kMaxPathLength = 1023;
inline constexpr std::size_t kMaxPrefixLength = 511;

// The folder part of a path (POSIX dirname); empty for a path longer than
// kMaxPathLength.
std::string get_file_directory(const std::string& path);

// Creates every missing folder along the path with mode 0777, then the path
// itself. Failures are printed and the walk goes on. Returns true when the
// path is a folder afterwards; a path that is too long, or whose folder
// prefixes are, is refused without creating anything.
bool create_directory(const std::string& path);

// Writes all `size` bytes to the descriptor, going on after interruptions
// and short writes; false when a write fails.
bool write_all(int fd, const void* data, std::size_t size);

}  // namespace helper
