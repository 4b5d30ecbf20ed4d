#pragma once

#include "monitor_config.h"
#include "printer_manager.h"
#include "util_recv_buf_keeper.h"
#include "util_thread_base.h"

#include <QString>

// The status worker of one printer index: polls the printer over USB or UDP,
// keeps its latest reply in cfg/<queue>.dat, decides when it is Off-line, and
// watches its CUPS jobs, cancelling on the printer a job the user cancelled
// while it printed. Lives on a thread of its own; SlotTaskStart is its loop.
class TrdGetPrinterStatus : public UtilThreadBase {
    Q_OBJECT

public:
    explicit TrdGetPrinterStatus(const MonitorConfig& config);

    void Init(int index, SharedPrinterList* list);

    // Whether to poll now, and the interval of this cycle in milliseconds.
    bool CheckNeedStatus(int& interval);

    // Copies the shared entry into the worker's own; false when the index is
    // outside the list. `pollEnabled` is the entry's poll flag.
    bool LoadEntry(bool& pollEnabled);
    // Polls the printer once and applies the Off-line rules to the copy.
    void PollPrinter();
    // Writes the copy back, unless the manager replaced the entry meanwhile.
    void StoreEntry();
    const stPrinterManager& Entry() const { return m_stPrinter; }

    // 0 after a reply was parsed, negative otherwise (see RunUsbControlSession
    // and QueryStatusUdp; -1 also for a reply that does not parse).
    int GetPrinterStatusUSB(const QString& port);
    int GetPrinterStatusUDP(const QString& address);
    int GetUSBStatus(const QString& port, unsigned char bmRequestType, unsigned char bRequest,
                     unsigned short wValue, unsigned short wIndex, unsigned short wLength, unsigned char* data,
                     unsigned int* transferred);

    // Keeps the reply in the status file (when missing or changed) and
    // parses it into the copy's state: 0, or -1 when it does not parse.
    int CheckPrinterStatus(const unsigned char* buf, unsigned long len);

    // One job check: lists the queue's jobs and cancels on a USB printer each
    // job the user cancelled after the last check saw it printing.
    void CheckJobStatus();
    int CancelPrinterJob(const QString& port);

public slots:
    void SlotTaskStart();
    void SlotThreadQuit();

private:
    bool EntryStillCurrent() const;  // call with the list's mutex held
    void WriteStatusFile(const unsigned char* buf, unsigned long len);
    void DeleteStatusFile();
    QByteArray ListJobs();

    MonitorConfig m_config;
    int m_iIndex = -1;
    SharedPrinterList* m_pList = nullptr;
    stPrinterManager m_stPrinter;
    UtilRecvBufKeeper m_recvBuf;
};
