#pragma once

// Files the printer-side programs share below the install root. The monitor
// service writes them; the assistant, configurator and firmware updater read
// them.

#include <QDir>
#include <QString>

namespace printer_files {

// The printer list: Qt INI settings with the codec "utf-8", group "Main" with
// "Count", then one group "printer_<i>" per printer for 0 <= i < Count.
inline constexpr char kPrinterListPath[] = "cfg/printerlist.ini";
inline constexpr char kPrinterListCodec[] = "utf-8";
inline constexpr char kMainGroup[] = "Main";
inline constexpr char kCountKey[] = "Count";
inline constexpr char kNameKey[] = "Name";
inline constexpr char kModelKey[] = "Model";
inline constexpr char kConnectTypeKey[] = "ConnectType";
inline constexpr char kPortKey[] = "Port";
inline constexpr char kUriKey[] = "URI";

inline constexpr char kPrinterGroupPrefix[] = "printer_";
inline QString PrinterGroup(int index)
{
    return QLatin1String(kPrinterGroupPrefix) + QString::number(index);
}

inline QString PrinterListPath(const QString& installRoot)
{
    return QDir(installRoot).filePath(QString::fromLatin1(kPrinterListPath));
}

// The folder of the files here, "cfg/", with a trailing "/".
inline QString CfgFolder(const QString& installRoot)
{
    return QDir(installRoot).filePath(QStringLiteral("cfg/"));
}

// A name that makes no path of its own when a folder and a suffix are put
// around it: not empty, and without "/" or a NUL.
inline bool IsPlainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// A printer's latest raw status reply, "cfg/<queue>.dat". Empty for a queue
// name that is no plain file name, so no path leads out of "cfg/".
inline constexpr char kStatusSnapshotSuffix[] = ".dat";
inline QString StatusSnapshotPath(const QString& installRoot, const QString& queue)
{
    if (!IsPlainFileName(queue))
        return QString();
    return CfgFolder(installRoot) + queue + QLatin1String(kStatusSnapshotSuffix);
}

// The monitor service's heartbeat: the local time at the start of its cycle
// in this form, without line end.
inline constexpr char kHeartbeatFormat[] = "[yyyy-MM-dd hh:mm:ss.zzz]";
inline QString HeartbeatPath(const QString& installRoot)
{
    return CfgFolder(installRoot) + QStringLiteral("service.hb");
}

// Status snapshots are written at most this long; a reader takes no more.
inline constexpr int kStatusSnapshotMaxBytes = 2048;

}  // namespace printer_files
