#include "logwindow.h"

#include "shared_files.h"
#include "ui_logwindow.h"
#include "viewer_files.h"

#include <QDebug>
#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QTableWidgetItem>

MainWindow::MainWindow(QWidget *parent, const QString &installRoot)
    : QMainWindow(parent), m_logPath(viewer_paths::scanLog(installRoot)), ui(new Ui::MainWindow)
{
    m_headers = tr("UserName,Computer,FileName,ScanTime,ScanResult").split(QLatin1Char(','), Qt::KeepEmptyParts);
    ui->setupUi(this);

    ui->showTable->setColumnCount(5);
    ui->showTable->setRowCount(0);
    ui->showTable->setHorizontalHeaderLabels(m_headers);
    ui->showTable->verticalHeader()->setVisible(false);
    ui->showTable->setShowGrid(true);
    // The file name takes the width the other columns leave.
    QHeaderView *header = ui->showTable->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    for (const int column : {0, 1, 3, 4})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    load(m_logPath);
    shared_files::shareExistingFile(m_logPath);
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::load(const QString &path)
{
    m_records.clear();
    switch (scan_log_reader::readRecords(path, m_records)) {
    case scan_log_reader::Read::Unreadable:
        qDebug() << "Can't open the file!";
        return;
    case scan_log_reader::Read::Missing:
        // No log is an empty log: no rows left over from an earlier read.
    case scan_log_reader::Read::Done:
        break;
    }
    fillTable();
}

void MainWindow::fillTable()
{
    QTableWidget *table = ui->showTable;
    // clear() drops the header labels too.
    table->clear();
    table->setHorizontalHeaderLabels(m_headers);
    table->setRowCount(m_records.size());
    for (int row = 0; row < m_records.size(); ++row) {
        const Data &record = m_records.at(row);
        const QString cells[] = {record.userName, record.computerName, record.fileName, record.scanTime, record.scanResult};
        for (int column = 0; column < 5; ++column)
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

void MainWindow::on_btn_refreash_clicked()
{
    load(m_logPath);
}

void MainWindow::on_btn_clear_clicked()
{
    QFile file;
    if (viewer_files::openTruncated(m_logPath, false, file) == viewer_files::Opened::Failed) {
        QMessageBox::warning(this, tr("warrning"), tr("open file false"), QMessageBox::Ok);
        return;
    }
    file.close();
    load(m_logPath);
    QMessageBox::information(this, tr("tip"), tr("clean up"), QMessageBox::Ok);
}

void MainWindow::on_btn_close_clicked()
{
    close();
}
