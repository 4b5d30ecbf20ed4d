#pragma once

// The page data files of scan jobs under scan/: a job's base name
// "taliroscandata_<pid>_<n>" and its pages "<base>_<k>.tmp".

#include <string>

// The base of job n of the connection process pid, in scanDir (ends with "/").
std::string jobBaseName(const std::string& scanDir, int pid, int n);
// Page k of the job with this base.
std::string pageFileName(const std::string& base, int k);

// Deletes the page files of the job base subStr (a path in basePath):
// exactly the regular files of basePath named <leaf of subStr>_<digits>.tmp,
// where the leaf is a job base name. An empty subStr deletes nothing (0); a
// folder that cannot be opened gives -1; else 0.
int deleteFileList(const std::string& basePath, const char* subStr);

// True when path names a page file of this daemon in scanDir exactly
// ("<scanDir>taliroscandata_<pid>_<n>_<k>.tmp").
bool isPageFilePath(const std::string& scanDir, const std::string& path);
