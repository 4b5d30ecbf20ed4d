#pragma once

#include <string>
#include <vector>

// File routines of the OFD writer and its callers.
namespace helper {

// dir, a "/" when a non-empty dir does not end with one, then file without
// its leading spaces and without one leading "/".
std::string combine_path_file(const std::string& dir, const std::string& file);

// Copies src to dest in 8 KiB blocks. The folder of dest is made when
// missing; when dest is a folder, src's file name is appended to it; with
// overwrite, an existing dest is removed first. A link at dest is never
// written through. False when src cannot be read or dest not written.
bool copy_file(const std::string& src, const std::string& dest, bool overwrite);

// Appends the full path of every entry of dir but "." and ".."; with
// recursive set, descends into each sub-folder right after appending it.
// Links are listed, never followed.
void enum_directory(const std::string& dir, std::vector<std::string>& list, bool recursive);

// Makes a new folder, readable by its owner only, below `parent` (made with
// its parents when missing), named by `prefix` and 16 random lower-case hex
// digits. Its path, or "" when none could be made.
std::string create_private_directory(const std::string& parent, const std::string& prefix = "");

// Removes the folder and everything below it without following links.
void remove_directory_tree(const std::string& dir);

// A new file written under a temporary name beside `target` (created empty
// and exclusively, mode 0666 less the umask) and renamed over the target by
// commit(), so readers never see a part; removed unless committed.
class PendingFile {
public:
    explicit PendingFile(const std::string& target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The temporary file's path; "" when none could be created.
    const std::string& path() const { return path_; }
    // Renames the temporary file over the target; false when that fails.
    bool commit();

private:
    std::string target_;
    std::string path_;
};

// Lower-case hex digits of `count` bytes from the system's random source.
std::string random_hex_bytes(std::size_t count);

}  // namespace helper
