// Closing the window and going back to the main page.

#include "mainwindow.h"

#include "bgwidget.h"
#include "ui_mainwindow.h"
#include "vurocombobox.h"

#include "VuroScanSDK.h"

#include <QCloseEvent>
#include <QMessageBox>

void MainWindow::closeEvent(QCloseEvent *event)
{
    // An OCR run reads a page: the close is asked again when it has ended.
    if (ocrThread != nullptr) {
        event->ignore();
        closeRequested = true;
        return;
    }
    // The keep-scanning question, or once it has been shown any other
    // cover, is answered first.
    if (ui->cover_widget->isVisible() && keepScanShown && imageprocess.getImageCount() > 0) {
        event->ignore();
        return;
    }
    if (pScanSDK->isRunning()) {
        event->ignore();
        closeRequested = true;
        pScanSDK->CancelScan();
    }
    if (imageprocess.getImageCount() == 0 || ui->widget_imageProcess->isHidden())
        return;

    if (!askToSaveBeforeQuit())
        event->ignore();
}

bool MainWindow::askToSaveBeforeQuit()
{
    const auto answer = QMessageBox::question(this, QStringLiteral(" "), tr("save before quit?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return true;
    // Save As asks and saves before it returns: the window closes only when
    // that save succeeded, else it stays open with its pages.
    on_btn_widget_imageprocess_saveAs_clicked();
    return saveFinished;
}

bool MainWindow::closeIfRequested()
{
    if (!closeRequested)
        return false;
    pScanSDK->wait();
    pScanSDK->CloseDev();
    return close();
}

void MainWindow::initUIData()
{
    if (!logData.written)
        writJsonToLogFile(parseDataToJson(logData));

    selectedPage = -1;
    ui->widget_mainFrame->show();
    ui->cover_widget->hide();
    ui->wgt_advancedSettings->hide();
    ui->widget_imageProcess->hide();

    ui->pb_mainCancel->setEnabled(false);
    ui->pb_mainCancel->setStyleSheet(QStringLiteral("#pb_mainCancel{color:gray;}"));

    imageprocess.clearList();
    thumbnails.clear();
    bgWidget->initUIdata(0);

    ui->lightnessSlider->setValue(0);
    ui->constractSlider->setValue(0);
    ui->jiupianCheckBox->setChecked(false);
    ui->jiupianSlider->setValue(0);
    ui->sldr_gamma->setValue(1);
    ui->ckb_ElimBorder->setChecked(false);
    ui->changeBgColorCheck->setChecked(false);

    setCursor(Qt::ArrowCursor);

    previewScanning = false;
    previewShown = false;
    addingPolicy = false;
    policyCombo->setEditable(false);
    policyCombo->setCurrentIndex(3);

    imageprocess.initConfig();

    ui->cbx_scanners->setEnabled(true);
    initCoverWidget();
}

void MainWindow::on_pb_mainCancel_clicked()
{
    const auto answer = QMessageBox::warning(this, tr("tip"), tr("confirm_operation"),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        initUIData();
}

void MainWindow::on_btn_widget_imageprocess_cancel_clicked()
{
    initUIData();
}
