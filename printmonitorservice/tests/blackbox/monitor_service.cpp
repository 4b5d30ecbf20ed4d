#include "monitor_service.h"

#include "printer_files.h"
#include "temp_folder.h"

#include <taliro/install_root.h>

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
    const QString path = printer_files::PrinterListPath(QString::fromUtf8(taliro::kInstallRoot));
    list.exists = access(path.toLocal8Bit().constData(), F_OK) == 0;
    if (!list.exists)
        return list;
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec(printer_files::kListCodec);
    for (const QString& group : settings.childGroups())
        list.groups.push_back(group.toStdString());
    bool number = false;
    list.count = settings.value(QStringLiteral("Main/Count")).toString().toInt(&number);
    if (!number)
        list.count = -1;
    for (int i = 0; i < list.count; ++i) {
        settings.beginGroup(printer_files::PrinterGroup(i));
        auto text = [&settings](const char* key) { return settings.value(QLatin1String(key)).toString().toStdString(); };
        list.printers.push_back({text(printer_files::kNameKey), text(printer_files::kModelKey),
                                 text(printer_files::kConnectTypeKey), text(printer_files::kPortKey),
                                 text(printer_files::kUriKey)});
        settings.endGroup();
    }
    return list;
}

}  // namespace monitor_test
