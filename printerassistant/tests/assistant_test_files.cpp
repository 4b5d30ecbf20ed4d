#include "assistant_test_files.h"

#include "printer_files.h"
#include "status_reply.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

#include <cstdio>

namespace assistant_test {

stPrinterInfo Printer(const QString& name, int connectType, const QString& port, const QString& uri,
                      const QString& model)
{
    stPrinterInfo info;
    info.strName = name;
    info.strModel = model;
    info.iConnectType = connectType;
    info.strPort = port;
    info.strURI = uri.isEmpty() ? QStringLiteral("usb://Taliro/") + port : uri;
    return info;
}

void WritePrinterList(const QString& root, const QList<stPrinterInfo>& printers)
{
    using namespace printer_files;
    const QString path = PrinterListPath(root);
    QDir().mkpath(QFileInfo(path).path());
    const QString temporary = path + QStringLiteral(".new");
    QFile::remove(temporary);
    {
        QSettings settings(temporary, QSettings::IniFormat);
        settings.setIniCodec(kPrinterListCodec);
        settings.setValue(QStringLiteral("%1/%2").arg(kMainGroup, kCountKey), QString::number(printers.size()));
        for (int i = 0; i < printers.size(); ++i) {
            settings.beginGroup(PrinterGroup(i));
            settings.setValue(kNameKey, printers[i].strName);
            settings.setValue(kModelKey, printers[i].strModel);
            settings.setValue(kConnectTypeKey, QString::number(printers[i].iConnectType));
            settings.setValue(kPortKey, printers[i].strPort);
            settings.setValue(kUriKey, printers[i].strURI);
            settings.endGroup();
        }
    }
    ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData());
}

void WriteSnapshot(const QString& root, const QString& queue, const Bytes& bytes)
{
    const QString path = printer_files::StatusSnapshotPath(root, queue);
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        file.commit();
    }
}

void RemoveSnapshot(const QString& root, const QString& queue)
{
    QFile::remove(printer_files::StatusSnapshotPath(root, queue));
}

Bytes Reply(unsigned char status, std::vector<unsigned> errors, std::vector<unsigned> warnings, std::uint64_t toner)
{
    StatusReplyContent content = SampleStatusReply();
    content.status = status;
    content.errors = std::move(errors);
    content.warnings = std::move(warnings);
    content.supplies = {NumberSupply(status_reply::kSupplyRemainingToner, toner, 2)};
    return BuildStatusReply(content);
}

}  // namespace assistant_test
