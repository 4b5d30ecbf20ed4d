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

inline QString PrinterGroup(int index)
{
    return QStringLiteral("printer_%1").arg(index);
}

inline QString PrinterListPath(const QString& installRoot)
{
    return QDir(installRoot).filePath(QString::fromLatin1(kPrinterListPath));
}

// A printer's latest raw status reply, "cfg/<queue>.dat".
inline QString StatusSnapshotPath(const QString& installRoot, const QString& queue)
{
    return QDir(installRoot).filePath(QStringLiteral("cfg/") + queue + QStringLiteral(".dat"));
}

// Status snapshots are written at most this long; a reader takes no more.
inline constexpr int kStatusSnapshotMaxBytes = 2048;

}  // namespace printer_files
