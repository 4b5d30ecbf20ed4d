#include "trd_device_manage.h"

#include "printer_list_reader.h"

namespace assistant {

namespace {

// Only the count, the names and the ports decide whether the printers changed.
bool SamePrinters(const QList<stPrinterInfo>& printers, const QList<stPrinterManager>& entries)
{
    if (printers.size() != entries.size())
        return false;
    for (int i = 0; i < printers.size(); ++i) {
        if (printers[i].strName != entries[i].stInfo.strName
            || printers[i].strPort != entries[i].stInfo.strPort)
            return false;
    }
    return true;
}

}  // namespace

TrdDeviceManage::TrdDeviceManage(const QString& installRoot)
    : m_strInstallRoot(installRoot)
{
}

void TrdDeviceManage::Init(SharedPrinterList* printerList)
{
    m_pPrinterList = printerList;
}

QList<stPrinterInfo> TrdDeviceManage::GetPrinterInfo(bool /*checkDriver*/) const
{
    return ::GetPrinterInfo(m_strInstallRoot);
}

QList<stPrinterManager> TrdDeviceManage::GetInitPrinterList(const QList<stPrinterInfo>& printers)
{
    QList<stPrinterManager> entries;
    for (const stPrinterInfo& info : printers) {
        stPrinterManager entry;
        entry.stInfo = info;
        InitStPrinterState(entry.stState);
        entries.append(entry);
    }
    return entries;
}

void TrdDeviceManage::InitStPrinterInfo(stPrinterInfo& info)
{
    ::InitStPrinterInfo(info);
}

void TrdDeviceManage::InitStPrinterState(stPrinterState& state)
{
    ::InitStPrinterState(state);
}

bool TrdDeviceManage::RefreshPrinterList()
{
    if (m_pPrinterList == nullptr)
        return false;
    const QList<stPrinterInfo> printers = GetPrinterInfo(true);
    if (SamePrinters(printers, m_pPrinterList->Entries()))
        return false;
    m_pPrinterList->Replace(GetInitPrinterList(printers));
    emit SgnUpdatePrinterList();
    return true;
}

void TrdDeviceManage::SlotTaskStart()
{
    if (m_bRunning)
        return;
    m_bRunning = true;
    do {
        RefreshPrinterList();
    } while (!WaitForSleep(kCycleMs));
}

void TrdDeviceManage::SlotThreadQuit()
{
    m_bQuit = true;
}

}  // namespace assistant
