// Saving the scanned pages.

#include "mainwindow.h"

void MainWindow::on_btn_widget_imageprocess_save_clicked()
{
    // Nothing is saved yet; the pages stay in the list.
}

void MainWindow::on_btn_widget_imageprocess_saveAs_clicked()
{
    // Nothing is saved yet: a close that asks for a save keeps the window.
    saveFinished = false;
}
