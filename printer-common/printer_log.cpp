#include "printer_log.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace {

constexpr int kMessageBufferSize = 1024;
constexpr qint64 kRotateAboveBytes = 1048576;

std::atomic_bool s_bEnable{false};
int s_iLogIndex = 0;
QString s_strLogNameTmp;  // current file's path without index and extension
QString s_strLogName;     // current file's path
QMutex s_mutexLog;

struct ProgramLog {
    const char* folder;
    const char* prefix;
};

ProgramLog LogOf(LogProgram program)
{
    switch (program) {
    case LogProgram::PrintMonitorService: return {"log/", "log_srv"};
    case LogProgram::PrinterAssistant: return {"tool/", "log_tool"};
    case LogProgram::PrinterConfigurator: return {"tool/", "log_nettool"};
    case LogProgram::FirmwareUpdater: return {"log/", "log_fwupdate"};
    }
    return {"log/", "log"};
}

QString LogFileName(int index)
{
    return s_strLogNameTmp + QString::number(index) + QStringLiteral(".log");
}

// vsnprintf in the C locale, whatever locale the program has set.
__attribute__((format(printf, 2, 0)))
void FormatMessage(char* buffer, const char* format, va_list args)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const locale_t previous = uselocale(cLocale);
    std::vsnprintf(buffer, kMessageBufferSize, format, args);
    uselocale(previous);
}

}  // namespace

void SetLogEnable(bool on, LogProgram program, const QString& installRoot)
{
    QMutexLocker lock(&s_mutexLog);
    s_bEnable = on;
    if (!on) {
        s_strLogName.clear();
        return;
    }
    const ProgramLog log = LogOf(program);
    const QString folder = QDir(installRoot).filePath(QString::fromLatin1(log.folder));
    QDir().mkpath(folder);
    s_iLogIndex = 0;
    s_strLogNameTmp = QDir(folder).filePath(QString::fromLatin1(log.prefix))
        + QDateTime::currentDateTime().toString(QStringLiteral("_yyyyMMdd_hhmmss_"));
    s_strLogName = LogFileName(s_iLogIndex);
}

void WriteStringLog(const char* file, int line, const char* function, const char* format, ...)
{
    if (!s_bEnable)
        return;
    QMutexLocker lock(&s_mutexLog);
    if (!s_bEnable)
        return;

    char message[kMessageBufferSize] = {};
    va_list args;
    va_start(args, format);
    FormatMessage(message, format, args);
    va_end(args);

    QByteArray text = QDateTime::currentDateTime()
                          .toString(QStringLiteral("[yyyy-MM-dd hh:mm:ss.zzz] ("))
                          .toLocal8Bit();
    text += file;
    text += '@';
    text += QByteArray::number(line);
    text += ' ';
    text += function;
    text += ") ";
    text += message;
    text += '\n';

    // Tested before the write: a file ends at its first line past the limit.
    if (QFileInfo(s_strLogName).size() > kRotateAboveBytes) {
        ++s_iLogIndex;
        s_strLogName = LogFileName(s_iLogIndex);
    }
    QFile out(s_strLogName);
    if (out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        out.write(text);
}
