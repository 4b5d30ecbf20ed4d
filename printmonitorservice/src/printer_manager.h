#pragma once

#include "printer_records.h"

#include <QList>
#include <QMutex>
#include <QString>

// One CUPS job as the job watch saw it.
struct stJobState {
    enum State { NoAlert = 0, Printing = 1, OtherAlert = 2, CanceledByUser = 3, Listed = 4 };
    QString strJobId;
    int iState = NoAlert;
};

// One entry of the service's printer list.
struct stPrinterManager {
    stPrinterInfo info;
    stPrinterState state;
    QList<stJobState> listJob;  // the jobs the last job check saw printing
    bool bPollEnabled = false;
};

// The printer list the device manager and the status workers share. Hold the
// mutex for each whole replacement, poll flag sweep, entry copy and write-back.
struct SharedPrinterList {
    QMutex mutex;
    QList<stPrinterManager> printers;
};
