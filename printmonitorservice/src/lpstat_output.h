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
// the printing list of the job check before; a job of it that CUPS is
// stopping ("processing-to-stop-point") stays printing, so a cancel that
// takes its backend a while to end is still seen as cancelled while printing.
JobListing ReadJobListing(const QByteArray& output, const QList<stJobState>& previous);
