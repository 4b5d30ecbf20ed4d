#include "assistant_start.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

namespace {

const char kTitle[] = "泰岚激光打印机助手";

}  // namespace

QString InstanceLockPath(const QString& homePath)
{
    return QDir(homePath).filePath(QStringLiteral(".taliro-q804-tool.lock"));
}

bool CheckIsRunning(QLockFile& lock)
{
    lock.setStaleLockTime(0);  // only a lock whose process is gone is stale
    if (lock.tryLock(0))
        return false;
    return lock.error() == QLockFile::LockFailedError;
}

bool CheckIsHide(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]).compare(QLatin1String("-hide"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void ShowAlreadyRunningBox()
{
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(kTitle),
                    QString::fromUtf8(kTitle) + QStringLiteral("已经处于运行中！"));
    box.addButton(QStringLiteral("确  定"), QMessageBox::AcceptRole);
    box.exec();
}
