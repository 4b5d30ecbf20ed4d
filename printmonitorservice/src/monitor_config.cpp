#include "monitor_config.h"

#include "usb_ops.h"

#include <taliro/install_root.h>

#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace {

// The home folder of the user the service runs as, from the user database;
// the HOME variable only where the database has no entry.
QString HomeFolder()
{
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_dir != nullptr)
        return QString::fromLocal8Bit(entry->pw_dir);
    return QDir::homePath();
}

}  // namespace

MonitorConfig ServiceConfig()
{
    MonitorConfig config;
    config.installRoot = QString::fromUtf8(taliro::kInstallRoot);
    config.cupsFolder = QStringLiteral("/etc/cups/");
    config.lpstatProgram = QStringLiteral("lpstat");
    config.jobUser = QFileInfo(QDir::cleanPath(HomeFolder())).fileName();
    config.usb = &libusbOps();
    return config;
}
