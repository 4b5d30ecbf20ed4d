#pragma once

#include "printer_records.h"

#include <taliro/install_root.h>

#include <QList>
#include <QString>

// No printer list names more printers than this; a larger "Count" is damage.
inline constexpr int kMaxListedPrinters = 256;

// The printer list file below `installRoot` read into records, in file
// order: "Count" records, missing keys as empty text and 0, no value
// checked. A damaged "Count" is held to the number of printer groups
// ("printer_<n>") the file holds and to kMaxListedPrinters. A missing file
// gives an empty list.
QList<stPrinterInfo> GetPrinterInfo(const QString& installRoot = QString::fromUtf8(taliro::kInstallRoot));
