#include "monitor_service.h"

#include "printer_files.h"
#include "printer_list_reader.h"
#include "temp_folder.h"

#include <taliro/install_root.h>

#include <QFile>
#include <QSettings>
#include <QString>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace monitor_test {

std::string Installed(const std::string& relative)
{
    return std::string(taliro::kInstallRoot) + relative;
}

std::string ReadInstalled(const std::string& relative)
{
    return testsupport::readText(Installed(relative));
}

bool InstalledExists(const std::string& relative)
{
    return access(Installed(relative).c_str(), F_OK) == 0;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

MonitorService::MonitorService(const std::string& cwd, const std::string& pathFirst)
{
    std::vector<std::string> argv = {"/usr/bin/env"};
    if (!cwd.empty())
        argv.insert(argv.end(), {"-C", cwd});
    if (!pathFirst.empty()) {
        const char* path = std::getenv("PATH");
        argv.push_back("PATH=" + pathFirst + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
    }
    argv.push_back(Installed("bin/PrintMonitorService"));
    process_ = std::make_unique<testbed::ChildProcess>(argv);
}

PrinterList ReadPrinterList()
{
    PrinterList list;
    const QString root = QString::fromUtf8(taliro::kInstallRoot);
    const QString path = printer_files::PrinterListPath(root);
    list.exists = access(QFile::encodeName(path).constData(), F_OK) == 0;
    if (!list.exists)
        return list;
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec(printer_files::kPrinterListCodec);
    for (const QString& group : settings.childGroups())
        list.groups.push_back(group.toStdString());
    bool number = false;
    list.count = settings.value(QStringLiteral("Main/Count")).toString().toInt(&number);
    if (!number)
        list.count = -1;
    list.printers = GetPrinterInfo(root);
    return list;
}

std::string Describe(const stPrinterInfo& info)
{
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(info.strName, info.strModel, QString::number(info.iConnectType), info.strPort, info.strURI)
        .toStdString();
}

std::vector<std::string> Describe(const QList<stPrinterInfo>& list)
{
    std::vector<std::string> described;
    for (const stPrinterInfo& info : list)
        described.push_back(Describe(info));
    return described;
}

}  // namespace monitor_test
