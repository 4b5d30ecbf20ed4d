// The cover over the form: progress and questions.

#include "mainwindow.h"

#include "ui_mainwindow.h"

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
