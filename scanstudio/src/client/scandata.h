#pragma once

#include <QString>

// One record of the scan log: who scanned, on which machine, into which
// file, when, and with what result. `written` is set once the record has
// been turned into a log line, so each record is written at most once.
class Data {
public:
    QString userName;
    QString computerName;
    QString fileName;
    QString scanTime;
    QString scanResult;
    bool written = true;
};
