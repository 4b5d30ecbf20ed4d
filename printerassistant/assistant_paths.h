#pragma once

#include <taliro/install_root.h>

#include <QCoreApplication>
#include <QDir>
#include <QString>

// Where the assistant finds its files; tests point them at temporary folders.
struct AssistantPaths {
    QString installRoot = QString::fromUtf8(taliro::kInstallRoot);
    QString homePath = QDir::homePath();
    QString appDirPath = QCoreApplication::applicationDirPath();  // holds the autostart entry
};
