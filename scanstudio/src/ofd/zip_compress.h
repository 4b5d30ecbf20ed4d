#pragma once

#include <string>
#include <vector>

// Stored (uncompressed) zip packages on minizip.
namespace zip {

// Packs `source` into the zip file `zip_path`, which is replaced only once
// the whole package is written. A regular file becomes one entry named by
// its file name. A folder gives one entry per file below it, named relative
// to the folder's parent, or to the folder itself with strip_root set; every
// entry is stored with zeroed time and attribute fields. 0 on success
// (also for a path that does not exist, which writes nothing), -1 on failure.
int zip_compress(const std::string& source, const std::string& zip_path, bool strip_root);

// Appends every regular file below `folder` to `names`, as prefix + "/" +
// its path relative to `folder`, in directory-listing order with a
// sub-folder's files where the sub-folder is met. Links are skipped.
void EnumDirFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& names);

}  // namespace zip
