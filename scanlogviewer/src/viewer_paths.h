#pragma once

#include <taliro/install_root.h>

#include <QFile>
#include <QString>

// The files under the install root that ScanLogViewer uses. A root ends with "/".
namespace viewer_paths {

inline QString defaultInstallRoot()
{
    return QFile::decodeName(taliro::kInstallRoot);
}

inline QString authFile(const QString &root)
{
    return root + QStringLiteral("scan/auth");
}

inline QString scanLog(const QString &root)
{
    return root + QStringLiteral("scan/scanAppLog.log");
}

inline QString lockFile(const QString &root)
{
    return root + QStringLiteral("scan/taliroLogDaemon.pid");
}

}  // namespace viewer_paths
