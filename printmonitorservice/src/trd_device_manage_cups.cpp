// The device manager's reading of the CUPS configuration: the queue blocks of
// printers.conf and the model name in each queue's PPD.

#include "cups_queue_name.h"
#include "model_table.h"
#include "poll_failure.h"
#include "printer_files.h"
#include "printer_log.h"
#include "regular_file.h"
#include "trd_device_manage.h"

#include <QDir>
#include <QList>

namespace {

// Read no further into printers.conf or a PPD; such files are far smaller.
constexpr qint64 kMaxCupsFileBytes = 16 * 1024 * 1024;

bool StartsWith(const QString& line, const char* keyword)
{
    return line.startsWith(QLatin1String(keyword), Qt::CaseInsensitive);
}

// "DeviceURI <uri>": fills the record for the schemes of the supported
// printers and leaves it alone for any other.
void TakeDeviceUri(const QString& uri, stPrinterInfo& record)
{
    if (StartsWith(uri, "usb")) {
        record.iConnectType = kConnectUsb;
        record.strPort = uri.mid(6);  // after "usb://"
        record.strURI = uri;
        return;
    }
    if (!StartsWith(uri, "socket") && !StartsWith(uri, "talirosocket"))
        return;
    record.iConnectType = kConnectNetwork;
    const int hostStart = uri.indexOf(QLatin1String("://"));
    if (hostStart < 0)
        return;
    // The host ends at the port, or at a path or query where the URI has no port.
    const QString rest = uri.mid(hostStart + 3);
    int hostEnd = rest.size();
    for (const QChar end : {QLatin1Char(':'), QLatin1Char('/'), QLatin1Char('?')}) {
        const int at = rest.indexOf(end);
        if (at >= 0 && at < hostEnd)
            hostEnd = at;
    }
    record.strPort = rest.left(hostEnd);
    record.strURI = uri;
}

// The text without its last character; a character outside the Basic
// Multilingual Plane is two UTF-16 units.
QString WithoutLastCharacter(const QString& text)
{
    const int size = text.size();
    const bool pair = size >= 2 && text.at(size - 1).isLowSurrogate() && text.at(size - 2).isHighSurrogate();
    return text.chopped(qMin(size, pair ? 2 : 1));
}

// The value of a "*ModelName: "..."" line without its quotes; empty when the
// line has no value.
QString ModelNameValue(const QString& line)
{
    const QStringList parts = line.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return QString();
    QString value = parts.at(1).trimmed();
    if (value.startsWith(QLatin1Char('"')))
        value.remove(0, 1);
    if (value.endsWith(QLatin1Char('"')))
        value.chop(1);
    return value;
}

}  // namespace

QList<stPrinterInfo> TrdDeviceManage::GetPrinterInfo(bool checkDriver)
{
    QList<stPrinterInfo> printers;
    const QString confPath = QDir(m_config.cupsFolder).filePath(QStringLiteral("printers.conf"));
    QByteArray conf;
    if (!ReadRegularFile(confPath, kMaxCupsFileBytes, conf)
        && !ReadRegularFile(confPath + QStringLiteral(".O"), kMaxCupsFileBytes, conf))
        return printers;
    stPrinterInfo record;
    for (const QByteArray& bytes : conf.split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (StartsWith(line, "<Printer") || StartsWith(line, "<DefaultPrinter")) {
            InitStPrinterInfo(record);
            const int blank = line.indexOf(QLatin1Char(' '));
            if (blank >= 0)
                record.strName = WithoutLastCharacter(line.mid(blank + 1));
        } else if (StartsWith(line, "</Printer>") || StartsWith(line, "</DefaultPrinter>")) {
            if (record.strName.isEmpty() || record.strURI.isEmpty()
                || (checkDriver && !CheckDriverMatch(record.strName, record.strModel)))
                continue;
            if (!IsCommandSafeQueueName(record.strName)) {
                PRINTER_LOG("queue %s left out: the CUPS commands cannot name it", qUtf8Printable(record.strName));
                continue;
            }
            printers.append(record);
        } else if (StartsWith(line, "DeviceURI")) {
            const int blank = line.indexOf(QLatin1Char(' '));
            if (blank >= 0)
                TakeDeviceUri(line.mid(blank + 1), record);
        }
    }
    return printers;
}

bool TrdDeviceManage::CheckDriverMatch(const QString& queue, QString& model)
{
    // A name holding "/" would lead out of ppd/; CUPS never makes one.
    if (!printer_files::IsPlainFileName(queue))
        return false;
    const QString path = QDir(m_config.cupsFolder).filePath(QStringLiteral("ppd/") + queue + QStringLiteral(".ppd"));
    QByteArray ppd;
    if (!ReadRegularFile(path, kMaxCupsFileBytes, ppd))
        return false;
    for (const QByteArray& bytes : ppd.split('\n')) {
        const QString line = QString::fromUtf8(bytes);
        if (!StartsWith(line, "*ModelName"))
            continue;
        const QString value = ModelNameValue(line);
        for (const stModelInfo& row : c_stModelInfoList) {
            if (!value.isEmpty() && value.compare(QLatin1String(row.strModelName), Qt::CaseInsensitive) == 0) {
                model = value;
                return true;
            }
        }
    }
    return false;
}
