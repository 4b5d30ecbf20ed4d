#pragma once

#include <QList>
#include <QString>

// One record of the scan log as the viewer shows it.
class Data {
public:
    QString userName;
    QString computerName;
    QString fileName;
    QString scanTime;
    QString scanResult;
};

// Reading scan/scanAppLog.log, one JSON object per line, written by ScanStudio.
namespace scan_log_reader {

// Longest line, its line break included, that is read as a record.
inline constexpr qint64 kMaxLineLength = 64 * 1024;

enum class Read { Done, Missing, Unreadable };

// Appends the records of the log at `path` to `records` in file order. Each
// line is echoed as a debug line; the first line that is no JSON object (a
// blank line included) or is longer than kMaxLineLength ends the reading
// with the debug line "parse fail". A member that is missing or no string
// reads as empty text.
Read readRecords(const QString &path, QList<Data> &records);

}  // namespace scan_log_reader
