#pragma once

#include "monitor_config.h"
#include "printer_manager.h"
#include "util_thread_base.h"

#include <QList>
#include <QString>

class QThread;
class TrdGetPrinterStatus;

// The device manager: every 5 s writes the heartbeat, reads the CUPS queues
// of the supported models, publishes them in cfg/printerlist.ini and keeps one
// status worker per printer index. The service runs its loop on the main thread.
class TrdDeviceManage : public UtilThreadBase {
    Q_OBJECT

public:
    explicit TrdDeviceManage(const MonitorConfig& config);
    // Stops and joins the workers (the service itself never gets here).
    ~TrdDeviceManage() override;

    void Init(SharedPrinterList* list);

    // One cycle of the loop without its wait.
    void RunCycle();

    // The CUPS queues, in printers.conf order; with `checkDriver` only those
    // whose PPD names a supported model. A queue whose name the CUPS commands
    // cannot take as one queue name is left out.
    QList<stPrinterInfo> GetPrinterInfo(bool checkDriver);
    // True when the queue's PPD, a regular file in ppd/, names a supported
    // model; `model` is then the name as the PPD writes it.
    bool CheckDriverMatch(const QString& queue, QString& model);

    void WriteHeartbeat();
    // Writes the printer list file when `changed` or when it is missing.
    void SavePrinterInfo(const QList<stPrinterInfo>& list, bool changed);

    // Fresh entries: Off-line, no jobs, polling off.
    static QList<stPrinterManager> GetInitPrinterList(const QList<stPrinterInfo>& list);

    int WorkerCount() const { return m_listWorker.size(); }

signals:
    void SgnStatusThreadStart();

public slots:
    void SlotTaskStart();
    void SlotThreadQuit();

private:
    // Workers for the indexes below `count` that have none yet.
    void StartWorkers(int count);
    void RemoveStaleStatusFiles(const QList<stPrinterInfo>& list);

    MonitorConfig m_config;
    SharedPrinterList* m_pList = nullptr;
    QList<TrdGetPrinterStatus*> m_listWorker;  // entry i serves printer index i
    QList<QThread*> m_listThread;
    bool m_bFirstCycle = true;
};
