// The files the device manager publishes: the printer list, as the readers'
// settings class reads it, and the heartbeat; both replaced whole, mode 0644.

#include "monitor_test_config.h"
#include "printer_files.h"
#include "printer_list_reader.h"
#include "trd_device_manage.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QRegularExpression>
#include <QSettings>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <set>

namespace {

struct FileStamp {
    ino_t inode = 0;
    mode_t mode = 0;
    bool exists = false;
};

FileStamp Stamp(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {};
    return {info.st_ino, static_cast<mode_t>(info.st_mode & 07777), true};
}

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
    ~ScopedUmask() { umask(old_); }

private:
    mode_t old_;
};

std::set<std::string> CfgNames(const MonitorTestBed& bed)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(bed.cfgFile("")))
        names.insert(entry.path().filename().string());
    return names;
}

stPrinterInfo Info(const QString& name, int type, const QString& port, const QString& uri)
{
    stPrinterInfo info;
    info.strName = name;
    info.strModel = QStringLiteral("Taliro TX 560MDW");
    info.iConnectType = type;
    info.strPort = port;
    info.strURI = uri;
    return info;
}

TEST(PrinterListFile, ReadersSeeExactlyTheListedPrinters)
{
    MonitorTestBed bed;
    // A longer list from before, with a group a reader could mistake for a printer.
    bed.root.write("cfg/printerlist.ini", "");
    {
        QSettings old(QString::fromStdString(bed.cfgFile("printerlist.ini")), QSettings::IniFormat);
        old.setValue("Main/Count", "4");
        for (int i = 0; i < 4; ++i)
            old.setValue(QStringLiteral("printer_%1/Name").arg(i), QStringLiteral("Old%1").arg(i));
        old.setValue("Extra/Key", "x");
    }
    TrdDeviceManage manager(bed.config());
    const QList<stPrinterInfo> list = {
        Info(QStringLiteral("Q1"), 1, QStringLiteral("Taliro/TX%20560MDW?serial=ABC123"),
             QStringLiteral("usb://Taliro/TX%20560MDW?serial=ABC123")),
        // Texts the INI format must quote or escape.
        Info(QStringLiteral("N;1=\"x\"#é"), 2, QStringLiteral("10.0.0.5"), QStringLiteral("socket://10.0.0.5:9100")),
    };
    manager.SavePrinterInfo(list, true);

    // The readers' own reader takes exactly the listed printers.
    const QList<stPrinterInfo> read = GetPrinterInfo(QString::fromStdString(bed.root.dir()));
    ASSERT_EQ(read.size(), list.size());
    for (int i = 0; i < list.size(); ++i) {
        EXPECT_EQ(read[i].strName, list[i].strName);
        EXPECT_EQ(read[i].strModel, list[i].strModel);
        EXPECT_EQ(read[i].iConnectType, list[i].iConnectType);
        EXPECT_EQ(read[i].strPort, list[i].strPort);
        EXPECT_EQ(read[i].strURI, list[i].strURI);
    }
    // Nothing else is in the file: no group of the longer list from before.
    QSettings file(QString::fromStdString(bed.cfgFile("printerlist.ini")), QSettings::IniFormat);
    file.setIniCodec(printer_files::kPrinterListCodec);
    EXPECT_EQ(file.childGroups(), (QStringList{"Main", "printer_0", "printer_1"}));
    EXPECT_EQ(file.value("Main/Count").toString(), "2");
    for (int i = 0; i < list.size(); ++i) {
        file.beginGroup(printer_files::PrinterGroup(i));
        EXPECT_EQ(file.childKeys(), (QStringList{"ConnectType", "Model", "Name", "Port", "URI"}));
        file.endGroup();
    }
    EXPECT_EQ(CfgNames(bed), (std::set<std::string>{"printerlist.ini"}));
}

TEST(PrinterListFile, RewrittenOnlyWhenChangedOrMissing)
{
    MonitorTestBed bed;
    TrdDeviceManage manager(bed.config());
    const std::string path = bed.cfgFile("printerlist.ini");
    const QList<stPrinterInfo> list = {Info("N1", 2, "10.0.0.5", "socket://10.0.0.5:9100")};

    manager.SavePrinterInfo({}, false);  // a missing file is written even when nothing changed
    EXPECT_NE(testsupport::readText(path).find("Count=0"), std::string::npos);
    const FileStamp first = Stamp(path);
    manager.SavePrinterInfo(list, false);
    EXPECT_EQ(Stamp(path).inode, first.inode) << "an unchanged cycle leaves the file alone";
    manager.SavePrinterInfo(list, true);
    const FileStamp second = Stamp(path);
    EXPECT_NE(second.inode, first.inode);
    EXPECT_NE(testsupport::readText(path).find("Name=N1"), std::string::npos);

    std::remove(path.c_str());
    manager.SavePrinterInfo(list, false);
    EXPECT_TRUE(Stamp(path).exists);
}

TEST(PrinterListFile, ServiceFilesAre0644WhateverTheUmask)
{
    for (const mode_t mask : {mode_t(0), mode_t(022), mode_t(077)}) {
        ScopedUmask scoped(mask);
        MonitorTestBed bed;
        TrdDeviceManage manager(bed.config());
        manager.WriteHeartbeat();
        manager.SavePrinterInfo({}, true);
        EXPECT_EQ(Stamp(bed.cfgFile("printerlist.ini")).mode, 0644u) << "umask " << mask;
        EXPECT_EQ(Stamp(bed.cfgFile("service.hb")).mode, 0644u) << "umask " << mask;
        // No temporary file stays behind.
        EXPECT_EQ(CfgNames(bed), (std::set<std::string>{"printerlist.ini", "service.hb"})) << "umask " << mask;
    }
}

TEST(PrinterListFile, HeartbeatIsTheCycleTimeWithoutLineEnd)
{
    MonitorTestBed bed;
    TrdDeviceManage manager(bed.config());
    const QDateTime before = QDateTime::currentDateTime();
    manager.WriteHeartbeat();
    const QString text = QString::fromStdString(bed.root.read("cfg/service.hb"));
    const QRegularExpression form(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\]$"));
    EXPECT_TRUE(form.match(text).hasMatch()) << text.toStdString();
    const QDateTime stamp = QDateTime::fromString(text, QLatin1String(printer_files::kHeartbeatFormat));
    EXPECT_LE(qAbs(before.msecsTo(stamp)), 2000) << text.toStdString();
}

}  // namespace
