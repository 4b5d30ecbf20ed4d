#pragma once

// A configuration of the service on temporary folders: an install root and
// a CUPS folder of their own, a stand-in lpstat and a given USB bus.

#include "lpstat_standin.h"
#include "monitor_config.h"
#include "temp_folder.h"

#include <QDir>
#include <QString>

#include <sys/stat.h>

#include <string>

class UsbOps;

struct MonitorTestBed {
    testsupport::TempFolder root;
    testsupport::TempFolder cups;
    testbed::LpstatStandin lpstat;

    MonitorTestBed()
    {
        QDir().mkpath(QString::fromStdString(cups.file("ppd")));
        QDir().mkpath(QString::fromStdString(root.file("cfg")));
    }

    MonitorConfig config(UsbOps* usb = nullptr) const
    {
        MonitorConfig config;
        config.installRoot = QString::fromStdString(root.dir());
        config.cupsFolder = QString::fromStdString(cups.dir());
        config.lpstatProgram = QString::fromStdString(lpstat.program());
        config.jobUser = QStringLiteral("root");
        config.usb = usb;
        return config;
    }

    std::string cfgFile(const std::string& name) const { return root.file("cfg/" + name); }

    // A queue block as cupsd writes it, and the queue's PPD naming `model`.
    void writePpd(const std::string& queue, const std::string& model) const
    {
        cups.write("ppd/" + queue + ".ppd", "*PPD-Adobe: \"4.3\"\n*Manufacturer: \"Taliro\"\n*ModelName: \"" + model +
                                                "\"\n*NickName: \"" + model + "\"\n");
    }
};

// A file's inode number, 0 when it is missing: a replaced file gets a new one.
inline ino_t Inode(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

inline std::string QueueBlock(const std::string& name, const std::string& uri, bool isDefault = false)
{
    const std::string tag = isDefault ? "DefaultPrinter" : "Printer";
    return "<" + tag + " " + name + ">\nPrinterId 1\nInfo " + name + "\nDeviceURI " + uri +
           "\nState Idle\nAccepting Yes\n</" + tag + ">\n";
}
