#include "scan_log_reader.h"

#include "json_text.h"
#include "scan_log_line.h"
#include "viewer_files.h"

#include <QByteArray>
#include <QDebug>
#include <QFile>

#include <json/value.h>

namespace scan_log_reader {
namespace {

Data recordOf(const Json::Value &object)
{
    const auto text = [&object](const char *name) {
        return json_text::fromLocal(json_text::stringMember(object, name));
    };
    Data data;
    data.userName = text(scan_log::kUserName);
    data.computerName = text(scan_log::kComputerName);
    data.fileName = text(scan_log::kFileName);
    data.scanTime = text(scan_log::kScanTime);
    data.scanResult = text(scan_log::kScanResult);
    return data;
}

}  // namespace

Read readRecords(const QString &path, QList<Data> &records)
{
    QFile file;
    switch (viewer_files::openForReading(path, file)) {
    case viewer_files::Opened::Missing:
        return Read::Missing;
    case viewer_files::Opened::Failed:
        return Read::Unreadable;
    case viewer_files::Opened::Ok:
        break;
    }
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(kMaxLineLength + 1);
        if (line.isEmpty())
            break;
        qDebug().noquote() << line;
        Json::Value object;
        const bool whole = line.endsWith('\n') || file.atEnd();
        if (line.size() > kMaxLineLength || !whole || !json_text::parseObject(line.toStdString(), object)) {
            qDebug() << "parse fail";
            break;
        }
        records.append(recordOf(object));
    }
    return Read::Done;
}

}  // namespace scan_log_reader
