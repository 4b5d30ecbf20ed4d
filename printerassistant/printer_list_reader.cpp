#include "printer_list_reader.h"

#include "printer_files.h"

#include <QFileInfo>
#include <QSettings>
#include <QTextCodec>

#include <algorithm>

namespace {

// The groups named "printer_<n>" (n a decimal index), the records the file holds.
int PrinterGroupCount(const QSettings& settings)
{
    const QLatin1String prefix(printer_files::kPrinterGroupPrefix);
    int count = 0;
    for (const QString& group : settings.childGroups()) {
        if (!group.startsWith(prefix))
            continue;
        bool isNumber = false;
        const int index = group.mid(prefix.size()).toInt(&isNumber);
        if (isNumber && index >= 0 && group == printer_files::PrinterGroup(index))
            ++count;
    }
    return count;
}

}  // namespace

QList<stPrinterInfo> GetPrinterInfo(const QString& installRoot)
{
    using namespace printer_files;

    QList<stPrinterInfo> printers;
    const QString path = PrinterListPath(installRoot);
    if (!QFileInfo::exists(path))
        return printers;

    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec(kPrinterListCodec);
    const int count = settings.value(QStringLiteral("%1/%2").arg(kMainGroup, kCountKey)).toInt();
    const int taken = std::min({count, PrinterGroupCount(settings), kMaxListedPrinters});

    for (int i = 0; i < taken; ++i) {
        stPrinterInfo info;
        InitStPrinterInfo(info);
        settings.beginGroup(PrinterGroup(i));
        info.strName = settings.value(kNameKey).toString();
        info.strModel = settings.value(kModelKey).toString();
        info.iConnectType = settings.value(kConnectTypeKey).toInt();
        info.strPort = settings.value(kPortKey).toString();
        info.strURI = settings.value(kUriKey).toString();
        settings.endGroup();
        printers.append(info);
    }
    return printers;
}
