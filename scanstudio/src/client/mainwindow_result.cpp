// The result page after a scan.

#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QDebug>

void MainWindow::showScanResultSlot()
{
    qDebug() << "into showScanResultSlot";
    scanPageNo = 1;
    multiPageOutput = false;
    ui->widget_mainFrame->hide();
    ui->widget_imageProcess->show();
}
