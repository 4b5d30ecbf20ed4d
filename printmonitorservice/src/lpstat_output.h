#pragma once

// Reading what lpstat prints for the status workers.

#include "printer_manager.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// "lpstat -p <queue>": true when the first line says the printer is printing
// ("printing" or "正在打印", in any case).
bool ReportsPrinting(const QByteArray& output);

struct JobListing {
    QList<stJobState> printing;       // the jobs seen printing, in output order
    QStringList canceledWhilePrinting;  // canceled by the user after `previous` saw them printing
};

// "lpstat -u <user> -W all -l -o <queue>": job lines (four or more words)
// followed by their tab-indented "Status:" and "Alerts:" lines. `previous` is
// the printing list of the job check before.
JobListing ReadJobListing(const QByteArray& output, const QList<stJobState>& previous);
