// The window's file and text helpers.

#include "mainwindow.h"

#include "shared_files.h"

void MainWindow::chmodFileTo777(const QString &path)
{
    shared_files::makeSharedFile(path);
}

void MainWindow::chmodDirTo777(const QString &path)
{
    shared_files::makeSharedFolder(path);
}

bool MainWindow::DelDir(const QString &path)
{
    return shared_files::deleteFilesBelow(path);
}

std::string MainWindow::toLocalstdString(const QString &text)
{
    return text.toLocal8Bit().toStdString();
}

QString MainWindow::toLocalQString(const std::string &text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<int>(text.size()));
}
