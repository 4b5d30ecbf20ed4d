#include "trd_device_manage.h"

#include "printer_files.h"
#include "printer_log.h"
#include "service_files.h"
#include "trd_get_printer_status.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSet>
#include <QSettings>
#include <QThread>

namespace {

constexpr int kCycleMs = 5000;

// Changed when the sizes differ or a queue's name, port or URI differs.
bool ListChanged(const QList<stPrinterManager>& shared, const QList<stPrinterInfo>& list)
{
    if (shared.size() != list.size())
        return true;
    for (int i = 0; i < list.size(); ++i) {
        const stPrinterInfo& old = shared.at(i).info;
        if (old.strName != list.at(i).strName || old.strPort != list.at(i).strPort
            || old.strURI != list.at(i).strURI)
            return true;
    }
    return false;
}

}  // namespace

TrdDeviceManage::TrdDeviceManage(const MonitorConfig& config)
    : m_config(config)
{
}

TrdDeviceManage::~TrdDeviceManage()
{
    for (TrdGetPrinterStatus* worker : m_listWorker)
        worker->SlotThreadQuit();
    for (int i = 0; i < m_listThread.size(); ++i) {
        m_listThread.at(i)->quit();
        m_listThread.at(i)->wait();
        delete m_listWorker.at(i);
        delete m_listThread.at(i);
    }
}

void TrdDeviceManage::Init(SharedPrinterList* list)
{
    m_pList = list;
}

void TrdDeviceManage::SlotThreadQuit()
{
    m_bQuit = true;
}

void TrdDeviceManage::SlotTaskStart()
{
    if (m_bRunning)
        return;
    m_bRunning = true;
    do {
        RunCycle();
    } while (!WaitForSleep(kCycleMs));
}

void TrdDeviceManage::RunCycle()
{
    PRINTER_LOG("get printer list");
    WriteHeartbeat();
    const QList<stPrinterInfo> list = GetPrinterInfo(true);
    PRINTER_LOG("printer num:%d", list.size());

    bool changed = false;
    {
        QMutexLocker lock(&m_pList->mutex);
        changed = ListChanged(m_pList->printers, list);
        if (changed) {
            // One lock for both: a worker never writes a status file for a
            // queue between its sweep and the new list.
            RemoveStaleStatusFiles(list);
            m_pList->printers = GetInitPrinterList(list);
        }
    }
    SavePrinterInfo(list, changed || m_bFirstCycle);
    m_bFirstCycle = false;
    {
        QMutexLocker lock(&m_pList->mutex);
        for (stPrinterManager& entry : m_pList->printers)
            entry.bPollEnabled = true;
    }
    // New workers start after the sweep, so their first cycle polls.
    if (changed)
        StartWorkers(list.size());
}

void TrdDeviceManage::StartWorkers(int count)
{
    // A list that shrank and grows again finds its idle workers: one per index.
    const int first = m_listWorker.size();
    for (int index = first; index < count; ++index) {
        auto* worker = new TrdGetPrinterStatus(m_config);
        auto* thread = new QThread();
        worker->moveToThread(thread);
        thread->start(QThread::InheritPriority);
        worker->Init(index, m_pList);
        connect(this, &TrdDeviceManage::SgnStatusThreadStart, worker, &TrdGetPrinterStatus::SlotTaskStart);
        m_listWorker.append(worker);
        m_listThread.append(thread);
    }
    if (count > first)
        emit SgnStatusThreadStart();
}

void TrdDeviceManage::RemoveStaleStatusFiles(const QList<stPrinterInfo>& list)
{
    const QDir cfg(printer_files::CfgFolder(m_config.installRoot));
    if (!cfg.exists())
        return;
    QSet<QString> listed;
    for (const stPrinterInfo& info : list)
        listed.insert(info.strName);
    const QString suffix = QLatin1String(printer_files::kStatusSnapshotSuffix);
    const QStringList files = cfg.entryList({QLatin1Char('*') + suffix},
                                            QDir::Files | QDir::NoSymLinks | QDir::Hidden | QDir::CaseSensitive);
    for (const QString& file : files) {
        const QString queue = file.left(file.size() - suffix.size());
        if (!listed.contains(queue))
            QFile::remove(cfg.filePath(file));
    }
}

QList<stPrinterManager> TrdDeviceManage::GetInitPrinterList(const QList<stPrinterInfo>& list)
{
    QList<stPrinterManager> entries;
    for (const stPrinterInfo& info : list) {
        stPrinterManager entry;
        entry.info = info;
        InitStPrinterState(entry.state);
        entries.append(entry);
    }
    return entries;
}

void TrdDeviceManage::WriteHeartbeat()
{
    MakePathExist(printer_files::CfgFolder(m_config.installRoot));
    const QString stamp =
        QDateTime::currentDateTime().toString(QLatin1String(printer_files::kHeartbeatFormat));
    ReplaceServiceFile(printer_files::HeartbeatPath(m_config.installRoot), stamp.toLocal8Bit());
}

void TrdDeviceManage::SavePrinterInfo(const QList<stPrinterInfo>& list, bool changed)
{
    using namespace printer_files;
    MakePathExist(CfgFolder(m_config.installRoot));
    const QString path = PrinterListPath(m_config.installRoot);
    if (!changed && QFileInfo::exists(path))
        return;
    const QString temporary = CreateTemporaryBeside(path);
    if (temporary.isEmpty())
        return;
    {
        QSettings settings(temporary, QSettings::IniFormat);
        settings.setIniCodec(kPrinterListCodec);
        settings.clear();
        settings.beginGroup(QLatin1String(kMainGroup));
        settings.setValue(QLatin1String(kCountKey), QString::number(list.size()));
        settings.endGroup();
        for (int i = 0; i < list.size(); ++i) {
            const stPrinterInfo& info = list.at(i);
            settings.beginGroup(PrinterGroup(i));
            settings.setValue(QLatin1String(kNameKey), info.strName);
            settings.setValue(QLatin1String(kModelKey), info.strModel);
            settings.setValue(QLatin1String(kConnectTypeKey), QString::number(info.iConnectType));
            settings.setValue(QLatin1String(kPortKey), info.strPort);
            settings.setValue(QLatin1String(kUriKey), info.strURI);
            settings.endGroup();
        }
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            QFile::remove(temporary);
            return;
        }
    }
    CommitTemporary(temporary, path);
}
