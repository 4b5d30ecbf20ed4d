// PrintMonitorService: follows the CUPS queues of the supported printers,
// publishes them in cfg/printerlist.ini, polls each printer's status into
// cfg/<queue>.dat, watches their jobs and writes cfg/service.hb. Runs as root.

#include "monitor_config.h"
#include "printer_log.h"
#include "printer_manager.h"
#include "single_instance.h"
#include "trd_device_manage.h"

#include <QCoreApplication>

#include <sys/stat.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Folders the service creates are 0755; its files get their mode explicitly.
    umask(022);
    const MonitorConfig config = ServiceConfig();
    if (CheckIsRunning(config.installRoot))
        return 0;
    PRINTER_LOG("Start service, enable log");

    SharedPrinterList printers;
    TrdDeviceManage manager(config);
    manager.Init(&printers);
    manager.SlotTaskStart();
    return app.exec();
}
