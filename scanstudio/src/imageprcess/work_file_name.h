#pragma once

#include <QString>

namespace vuro {

// A page's work file base in `folder` (ending with "/"): the local time as
// "yyyyMMddHHmmss", "r" and a number 0..999.
QString workFileBaseName(const QString &folder);

// Creates `base` as a new empty file or, when that name is taken, a free
// name of the same form in the current second. Returns the name created, or
// empty when the folder refuses new files or the second has no free name.
QString reserveWorkFile(const QString &folder, const QString &base);

} // namespace vuro
