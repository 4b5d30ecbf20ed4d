// The scan log: records and their lines in scan/scanAppLog.log.

#include "mainwindow.h"

#include "scan_log_line.h"
#include "shared_files.h"

#include <QDateTime>
#include <QDebug>
#include <QHostInfo>
#include <QLocale>
#include <QStandardPaths>

#include <unistd.h>

QString MainWindow::timeText()
{
    return QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yy-MM-dd-HH-mm-ss"));
}

Data MainWindow::genData(const QString &fileName, const QString &scanTime, const QString &scanResult)
{
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    Data data;
    data.userName = home.mid(home.lastIndexOf(QLatin1Char('/')) + 1);
    data.computerName = QHostInfo::localHostName();
    data.fileName = fileName;
    data.scanTime = scanTime;
    data.scanResult = scanResult;
    data.written = false;
    return data;
}

Json::Value MainWindow::parseDataToJson(Data data)
{
    Json::Value record(Json::objectValue);
    record[scan_log::kUserName] = toLocalstdString(data.userName);
    record[scan_log::kComputerName] = toLocalstdString(data.computerName);
    record[scan_log::kScanTime] = toLocalstdString(data.scanTime);
    record[scan_log::kScanResult] = toLocalstdString(data.scanResult);
    record[scan_log::kFileName] = data.fileName.toUtf8().toStdString();
    // Before the file is opened: a failed append is not tried again.
    logData.written = true;
    return record;
}

void MainWindow::writJsonToLogFile(const Json::Value &record)
{
    const int fd = shared_files::openForAppend(installPath("scan/scanAppLog.log"));
    if (fd < 0) {
        qDebug() << "Open failed.";
        return;
    }
    // One write, so a line never mixes with another writer's.
    const std::string line = scan_log::formatLine(record);
    const ssize_t written = write(fd, line.data(), line.size());
    if (written != static_cast<ssize_t>(line.size()))
        qDebug() << "Open failed.";
    ::close(fd);
}
