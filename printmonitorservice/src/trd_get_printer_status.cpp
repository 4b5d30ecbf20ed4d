#include "trd_get_printer_status.h"

#include "cups_command.h"
#include "lpstat_output.h"
#include "poll_failure.h"
#include "printer_files.h"
#include "printer_log.h"
#include "service_files.h"
#include "udp_status_query.h"
#include "usb_control_session.h"
#include "util_printer_status.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStringList>

#include <algorithm>

namespace {

constexpr int kIdleWaitMs = 1000;           // no printer at this index
constexpr int kDefaultIntervalMs = 1000;
constexpr int kUsbIntervalMs = 1500;
constexpr int kOfflineIntervalMs = 10000;   // a network printer that went Off-line
constexpr int kReadyIdleIntervalMs = 100;   // a Ready network printer CUPS shows idle
constexpr int kJobChecksPerCycle = 10;
constexpr int kJobListReruns = 10;          // while the job listing stays empty
constexpr int kJobListRerunWaitMs = 1000;

// The USB reply as the parser takes it: seven zero bytes, then the data.
constexpr unsigned kUsbHeaderSize = 7;
constexpr unsigned kUsbStatusBufferSize = kUsbHeaderSize + kUsbStatusRequest.length;
constexpr unsigned kUsbCancelBufferSize = kUsbHeaderSize + kUsbCancelRequest.length;
static_assert(kUsbStatusBufferSize == 1031 && kUsbCancelBufferSize == 1024);

}  // namespace

TrdGetPrinterStatus::TrdGetPrinterStatus(const MonitorConfig& config)
    : m_config(config)
{
}

void TrdGetPrinterStatus::Init(int index, SharedPrinterList* list)
{
    m_iIndex = index;
    m_pList = list;
}

void TrdGetPrinterStatus::SlotThreadQuit()
{
    m_bQuit = true;
}

void TrdGetPrinterStatus::SlotTaskStart()
{
    if (m_bRunning)
        return;
    m_bRunning = true;
    for (;;) {
        int interval = kDefaultIntervalMs;
        if (!CheckNeedStatus(interval)) {
            if (WaitForSleep(interval))
                return;
            continue;
        }
        bool pollEnabled = false;
        if (!LoadEntry(pollEnabled))
            continue;
        if (pollEnabled)
            PollPrinter();
        for (int check = 0; check < kJobChecksPerCycle; ++check) {
            CheckJobStatus();
            if (WaitForSleep(interval / kJobChecksPerCycle))
                return;
        }
        StoreEntry();
    }
}

bool TrdGetPrinterStatus::CheckNeedStatus(int& interval)
{
    if (m_pList == nullptr) {
        interval = kIdleWaitMs;
        return false;
    }
    int connectType = 0;
    enPrinterStatus status = PRINTER_STATUS_UNKNOWN;
    QString name;
    {
        QMutexLocker lock(&m_pList->mutex);
        if (m_iIndex < 0 || m_iIndex >= m_pList->printers.size()) {
            interval = kIdleWaitMs;
            return false;
        }
        const stPrinterManager& entry = m_pList->printers.at(m_iIndex);
        connectType = entry.info.iConnectType;
        status = entry.state.enCurrentStatus;
        name = entry.info.strName;
    }
    if (connectType == kConnectUsb) {
        interval = kUsbIntervalMs;
        return true;
    }
    switch (status) {
    case PRINTER_STATUS_READY:
        if (ReportsPrinting(RunCupsCommand(m_config.lpstatProgram, {QStringLiteral("-p"), name}))) {
            interval = kDefaultIntervalMs;
            return true;
        }
        interval = kReadyIdleIntervalMs;
        return false;
    case PRINTER_STATUS_OFFLINE:
        interval = kOfflineIntervalMs;
        return true;
    default:
        interval = kDefaultIntervalMs;
        return true;
    }
}

bool TrdGetPrinterStatus::LoadEntry(bool& pollEnabled)
{
    if (m_pList == nullptr)
        return false;
    QMutexLocker lock(&m_pList->mutex);
    if (m_iIndex < 0 || m_iIndex >= m_pList->printers.size())
        return false;
    m_stPrinter = m_pList->printers.at(m_iIndex);
    pollEnabled = m_stPrinter.bPollEnabled;
    return true;
}

void TrdGetPrinterStatus::PollPrinter()
{
    const stPrinterInfo& info = m_stPrinter.info;
    PRINTER_LOG("try to connect %s", qUtf8Printable(info.strName));
    const int result =
        info.iConnectType == kConnectUsb ? GetPrinterStatusUSB(info.strPort) : GetPrinterStatusUDP(info.strPort);
    if (result >= 0)
        return;
    PRINTER_LOG("connect %s fail, ret = %d", qUtf8Printable(info.strName), result);
    if (TakePollFailure(info.iConnectType, result, m_stPrinter.state))
        DeleteStatusFile();
}

void TrdGetPrinterStatus::StoreEntry()
{
    if (m_pList == nullptr)
        return;
    QMutexLocker lock(&m_pList->mutex);
    if (!EntryStillCurrent())
        return;
    stPrinterManager& shared = m_pList->printers[m_iIndex];
    m_stPrinter.bPollEnabled = shared.bPollEnabled;
    shared = m_stPrinter;
}

bool TrdGetPrinterStatus::EntryStillCurrent() const
{
    if (m_iIndex < 0 || m_iIndex >= m_pList->printers.size())
        return false;
    const stPrinterInfo& shared = m_pList->printers.at(m_iIndex).info;
    return shared.strName == m_stPrinter.info.strName && shared.strURI == m_stPrinter.info.strURI;
}

int TrdGetPrinterStatus::GetPrinterStatusUSB(const QString& port)
{
    unsigned char buffer[kUsbStatusBufferSize] = {};
    unsigned int count = 0;
    const int result = GetUSBStatus(port, kUsbStatusRequest.requestType, kUsbStatusRequest.request,
                                    kUsbStatusRequest.value, kUsbStatusRequest.index, kUsbStatusRequest.length,
                                    buffer + kUsbHeaderSize, &count);
    if (result != 0)
        return result;
    return CheckPrinterStatus(buffer, kUsbHeaderSize + std::min<unsigned>(count, kUsbStatusRequest.length));
}

int TrdGetPrinterStatus::GetUSBStatus(const QString& port, unsigned char bmRequestType, unsigned char bRequest,
                                      unsigned short wValue, unsigned short wIndex, unsigned short wLength,
                                      unsigned char* data, unsigned int* transferred)
{
    const UsbControlRequest request{bmRequestType, bRequest, wValue, wIndex, wLength};
    return RunUsbControlSession(*m_config.usb, port, request, data, transferred, UsbSessionLog::Status);
}

int TrdGetPrinterStatus::GetPrinterStatusUDP(const QString& address)
{
    unsigned char reply[kUdpReplyCapacity];
    std::size_t received = 0;
    const int result = QueryStatusUdp(address, reply, &received);
    if (result != 0)
        return result;
    return CheckPrinterStatus(reply, received);
}

int TrdGetPrinterStatus::CheckPrinterStatus(const unsigned char* buf, unsigned long len)
{
    MakePathExist(printer_files::CfgFolder(m_config.installRoot));
    WriteStatusFile(buf, len);
    UtilPrinterStatus parser;
    if (!parser.parseRecvBuf(buf, len))
        return -1;
    stPrinterState state;
    parser.fillPrinterState(state);
    m_stPrinter.state = state;
    return 0;
}

void TrdGetPrinterStatus::WriteStatusFile(const unsigned char* buf, unsigned long len)
{
    // The kept reply follows every reply, so a reply is written once however
    // the file came to be missing before.
    const bool changed = m_recvBuf.CheckRecvBufChange(buf, len);
    const QString path = printer_files::StatusSnapshotPath(m_config.installRoot, m_stPrinter.info.strName);
    if (path.isEmpty() || m_pList == nullptr)
        return;
    // Under the list's lock: a queue the manager removed (and whose file it
    // swept) gets no file again.
    QMutexLocker lock(&m_pList->mutex);
    if (!EntryStillCurrent() || (!changed && QFileInfo::exists(path)))
        return;
    if (!ReplaceServiceFile(path, QByteArray(reinterpret_cast<const char*>(buf), static_cast<int>(len))))
        m_recvBuf = UtilRecvBufKeeper();  // not kept: the next reply tries again
}

void TrdGetPrinterStatus::DeleteStatusFile()
{
    const QString path = printer_files::StatusSnapshotPath(m_config.installRoot, m_stPrinter.info.strName);
    if (path.isEmpty() || m_pList == nullptr)
        return;
    QMutexLocker lock(&m_pList->mutex);
    if (EntryStillCurrent())
        QFile::remove(path);
}

QByteArray TrdGetPrinterStatus::ListJobs()
{
    const QStringList arguments = {QStringLiteral("-u"), m_config.jobUser,       QStringLiteral("-W"),
                                   QStringLiteral("all"), QStringLiteral("-l"), QStringLiteral("-o"),
                                   m_stPrinter.info.strName};
    QByteArray output = RunCupsCommand(m_config.lpstatProgram, arguments);
    for (int rerun = 0; output.isEmpty() && rerun < kJobListReruns; ++rerun) {
        output = RunCupsCommand(m_config.lpstatProgram, arguments);
        if (WaitForSleep(kJobListRerunWaitMs))
            break;
    }
    return output;
}

void TrdGetPrinterStatus::CheckJobStatus()
{
    const JobListing listing = ReadJobListing(ListJobs(), m_stPrinter.listJob);
    for (int i = 0; i < listing.canceledWhilePrinting.size(); ++i) {
        PRINTER_LOG("Cancel printer job:%s", qUtf8Printable(m_stPrinter.info.strName));
        CancelPrinterJob(m_stPrinter.info.strPort);
    }
    for (int i = 0; i < listing.printing.size(); ++i)
        PRINTER_LOG("job[%d] status: %d", i, listing.printing.at(i).iState);
    m_stPrinter.listJob = listing.printing;
}

int TrdGetPrinterStatus::CancelPrinterJob(const QString& port)
{
    unsigned char buffer[kUsbCancelBufferSize] = {};
    unsigned int count = 0;
    return RunUsbControlSession(*m_config.usb, port, kUsbCancelRequest, buffer + kUsbHeaderSize, &count,
                                UsbSessionLog::Cancel);
}
