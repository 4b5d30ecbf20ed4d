// The cover over the form: searching, scanning, working and the question
// whether to go on scanning.

#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QDebug>

void MainWindow::initCoverWidget()
{
    ui->cover_widget->hide();
    QWidget *const buttons[] = {ui->pb_coverLeft, ui->pb_coverBlock, ui->pb_coverRight_1, ui->pb_coverRight_2};
    for (QWidget *button : buttons) {
        button->hide();
        button->disconnect();
        disconnect(this, nullptr, button, nullptr);
    }
    disconnect(this, nullptr, ui->cover_widget, nullptr);
    ui->pgb_scanProgress->hide();
    ui->cover_text_top->clear();
    ui->cover_text_center->clear();
    ui->cover_text_bottom->clear();
}

void MainWindow::genWaitingDialog()
{
    initCoverWidget();
    ui->cover_text_center->setText(tr("Find Dev......"));
}

void MainWindow::genScaningDialog()
{
    initCoverWidget();
    ui->cover_text_center->setText(tr("scanning..."));
    ui->pb_coverRight_2->setText(tr("cancel"));
    ui->pb_coverRight_2->show();
    connect(ui->pb_coverRight_2, &QPushButton::clicked, this, &MainWindow::cancelScan);
    ui->pgb_scanProgress->setFormat(tr("page ") + QString::number(scanPageNo) + tr(":") + QStringLiteral("%p%"));
    ui->pgb_scanProgress->show();
    connect(this, &MainWindow::closeDialog, ui->cover_widget, &QWidget::hide);
}

void MainWindow::genDealingDialog()
{
    initCoverWidget();
    ui->cover_text_center->setText(tr("dealing..."));
}

void MainWindow::genKeepScaningDialog()
{
    initCoverWidget();
    ui->cover_text_center->setText(tr("Scan finished,is continue scan?"));
    ui->cover_text_bottom->setText(tr("Has been scaned ") + QString::number(imageprocess.getImageCount()) +
                                   tr(" pages"));
    ui->pb_coverLeft->setText(tr("continue scan"));
    ui->pb_coverLeft->setMinimumWidth(86);
    ui->pb_coverLeft->show();
    connect(ui->pb_coverLeft, &QPushButton::clicked, this, [this] { scan(); });
    ui->pb_coverRight_1->setText(tr("save"));
    ui->pb_coverRight_1->show();
    connect(ui->pb_coverRight_1, &QPushButton::clicked, this, [this] {
        ui->cover_widget->hide();
        on_btn_widget_imageprocess_save_clicked();
    });
    ui->pb_coverRight_2->setText(tr("finish"));
    ui->pb_coverRight_2->show();
    connect(ui->pb_coverRight_2, &QPushButton::clicked, this, [this] {
        ui->cover_widget->hide();
        showScanResultSlot();
    });
    connect(this, &MainWindow::closeDialog, ui->cover_widget, &QWidget::hide);
    keepScanShown = true;
    ui->cover_widget->show();
}

void MainWindow::showDealingDialog()
{
    qDebug() << "showDealingDialog()";
    setCursor(Qt::WaitCursor);
}

void MainWindow::hideDealingDialog()
{
    qDebug() << "hideDealingDialog()";
    setCursor(Qt::ArrowCursor);
    ui->cover_widget->hide();
}
