#include "trd_get_printer_status.h"

#include "cups_queue_name.h"
#include "printer_log.h"
#include "printer_records.h"
#include "util_printer_status.h"

#include <QProcess>
#include <QStringList>

#include <sys/stat.h>

#include <cstring>

namespace assistant {

namespace {

constexpr int kCancelTimeoutMs = 5000;

}  // namespace

bool TrdGetPrinterStatus::FileStamp::operator==(const FileStamp& other) const
{
    return valid == other.valid && seconds == other.seconds && nanoseconds == other.nanoseconds
        && inode == other.inode && size == other.size;
}

TrdGetPrinterStatus::TrdGetPrinterStatus(const QString& installRoot)
    : m_strInstallRoot(installRoot)
{
    InitStPrinterInfo(m_stWork.stInfo);
    m_stWork.stState = stPrinterState();
}

void TrdGetPrinterStatus::Init(int index, SharedPrinterList* printerList)
{
    m_iIndex = index;
    m_pPrinterList = printerList;
}

bool TrdGetPrinterStatus::CheckStatusChange(const stPrinterState& a, const stPrinterState& b)
{
    return ::CheckStatusChange(a, b);
}

qint64 TrdGetPrinterStatus::ReadSnapshot(QFile& file, char* buffer, qint64 size)
{
    return file.read(buffer, size);
}

int TrdGetPrinterStatus::GetPrinterStatusFile(const QString& queue, bool force)
{
    const QString path = printer_files::StatusSnapshotPath(m_strInstallRoot, queue);
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        m_lastModified = FileStamp();
        return -1;
    }
    FileStamp stamp;
    stamp.valid = true;
    stamp.seconds = info.st_mtim.tv_sec;
    stamp.nanoseconds = info.st_mtim.tv_nsec;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    if (!force && stamp == m_lastModified)
        return 1;
    // Taken before the read: a file that fails is not read again until it changes.
    m_lastModified = stamp;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    std::memset(m_szReadBuffer, 0, sizeof m_szReadBuffer);
    qint64 length = -1;
    try {
        length = ReadSnapshot(file, reinterpret_cast<char*>(m_szReadBuffer), sizeof m_szReadBuffer);
    } catch (...) {
        PRINTER_LOG("throw error");
        return -1;
    }
    if (length < 0)
        return -1;
    return CheckPrinterStatus(m_szReadBuffer, static_cast<unsigned long>(length));
}

int TrdGetPrinterStatus::CheckPrinterStatus(const unsigned char* buffer, unsigned long length)
{
    UtilPrinterStatus parser;
    if (!parser.parseRecvBuf(buffer, length))
        return -1;
    stPrinterState state;
    parser.fillPrinterState(state);
    m_stWork.stState = state;
    return 0;
}

void TrdGetPrinterStatus::CountMiss()
{
    stPrinterState& state = m_stWork.stState;
    if (++state.iFailCount <= kMissesBeforeOffline)
        return;
    // The toner value and the other fields keep their last values.
    state.enCurrentStatus = PRINTER_STATUS_OFFLINE;
    state.iNumberOfError = 0;
    state.iNumberOfWarning = 0;
    state.listError.clear();
    state.listWarning.clear();
    state.iFailCount = 0;
}

void TrdGetPrinterStatus::CancelPrinterJobs(const QString& queue)
{
    PRINTER_LOG("cancel by printer %s", queue.toLocal8Bit().constData());
    // "cancel -a" would cancel every job of every queue.
    if (!IsCommandSafeQueueName(queue)) {
        PRINTER_LOG("queue %s not cancelled: cancel cannot name it", queue.toLocal8Bit().constData());
        return;
    }
    // The queue name is one argument of its own: no shell ever reads it.
    QProcess cancel;
    cancel.setStandardOutputFile(QProcess::nullDevice());
    cancel.setStandardErrorFile(QProcess::nullDevice());
    cancel.start(QStringLiteral("cancel"), QStringList{queue});
    if (!cancel.waitForStarted())
        return;
    if (!cancel.waitForFinished(kCancelTimeoutMs)) {
        cancel.kill();
        cancel.waitForFinished();
    }
}

void TrdGetPrinterStatus::UpdatePrinterStatus()
{
    if (m_pPrinterList == nullptr || !m_pPrinterList->CopyEntry(m_iIndex, m_stWork))
        return;  // idle until the list holds this index again

    const bool offline = m_stWork.stState.enCurrentStatus == PRINTER_STATUS_OFFLINE;
    if (GetPrinterStatusFile(m_stWork.stInfo.strName, offline) < 0)
        CountMiss();

    stPrinterState previous;
    if (!m_pPrinterList->WriteBackSamePrinter(m_iIndex, m_stWork, previous))
        return;  // the list was rebuilt meanwhile: this cycle's result is dropped
    if (!CheckStatusChange(m_stWork.stState, previous))
        return;
    if (previous.enCurrentStatus != PRINTER_STATUS_CANCELING_JOB
        && m_stWork.stState.enCurrentStatus == PRINTER_STATUS_CANCELING_JOB)
        CancelPrinterJobs(m_stWork.stInfo.strName);
    emit SgnUpdatePrinterStatus(m_iIndex);
}

void TrdGetPrinterStatus::SlotTaskStart()
{
    if (m_bRunning)
        return;
    m_bRunning = true;
    do {
        UpdatePrinterStatus();
    } while (!WaitForSleep(kCycleMs));
}

void TrdGetPrinterStatus::SlotThreadQuit()
{
    m_bQuit = true;
}

}  // namespace assistant
