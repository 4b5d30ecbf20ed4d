#pragma once

#include "printer_files.h"
#include "shared_printer_list.h"
#include "util_thread_base.h"

#include <taliro/install_root.h>

#include <QFile>
#include <QString>

#include <sys/types.h>

namespace assistant {

// Follows one printer's status snapshot file: every second it re-reads the
// file when it changed (every second anyway while the printer is shown
// Off-line), parses it, turns the printer Off-line after 11 failed reads in a
// row, writes its entry back and signals a change, and cancels the queue's
// jobs with the CUPS "cancel" command when the printer turns to Canceling job.
class TrdGetPrinterStatus : public UtilThreadBase {
    Q_OBJECT

public:
    explicit TrdGetPrinterStatus(const QString& installRoot = QString::fromUtf8(taliro::kInstallRoot));

    static constexpr int kCycleMs = 1000;
    static constexpr int kMissesBeforeOffline = 10;  // the next miss turns the printer Off-line

    void Init(int index, SharedPrinterList* printerList);

    // One cycle of the loop.
    void UpdatePrinterStatus();

    // 1 file unchanged and not read; 0 read and parsed into the working copy;
    // -1 missing, unreadable or not parsable.
    int GetPrinterStatusFile(const QString& queue, bool force);
    // 0 parsed into the working copy, -1 not parsable.
    int CheckPrinterStatus(const unsigned char* buffer, unsigned long length);
    static bool CheckStatusChange(const stPrinterState& a, const stPrinterState& b);

signals:
    void SgnUpdatePrinterStatus(int index);

public slots:
    void SlotTaskStart();
    void SlotThreadQuit();

protected:
    // Reads the opened snapshot file; may throw, which counts as a failed read.
    virtual qint64 ReadSnapshot(QFile& file, char* buffer, qint64 size);

private:
    // What tells a rewritten file from the one read last: its modification
    // time, and its inode and size, since a file replaced within one tick of
    // the file system's clock keeps the time.
    struct FileStamp {
        bool valid = false;
        qint64 seconds = 0;
        long nanoseconds = 0;
        ino_t inode = 0;
        qint64 size = 0;
        bool operator==(const FileStamp& other) const;
    };

    void CountMiss();
    void CancelPrinterJobs(const QString& queue);

    QString m_strInstallRoot;
    int m_iIndex = -1;
    SharedPrinterList* m_pPrinterList = nullptr;
    stPrinterManager m_stWork;
    unsigned char m_szReadBuffer[printer_files::kStatusSnapshotMaxBytes] = {};
    FileStamp m_lastModified;
};

}  // namespace assistant
