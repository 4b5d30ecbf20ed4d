// The road of one scan: the Scan button, the job on the scan session, its
// pages, progress and end, and the errors it reports.

#include "mainwindow.h"

#include "bgwidget.h"
#include "paintingwidget.h"
#include "ui_mainwindow.h"

#include "VuroScanSDK.h"

#include <QDebug>
#include <QFile>
#include <QMessageBox>

void MainWindow::on_pb_scan_clicked()
{
    if (!bgWidget->paintingWidget()->isHidden())
        setParperSize();
    if (addingPolicy) {
        qDebug() << "addingPolicy is true do addingPolicy";
        addPolicy();
        return;
    }
    qDebug() << "addingPolicy is false do scan";
    logData = genData(QString(), timeText(), tr("scanned,has not saved"));
    scanPageNo = 1;
    ui->cbx_scanners->setEnabled(false);
    addingPolicy = false;
    if (ui->cbx_scanners->count() == 0)
        return;

    const std::shared_ptr<vuro::scanner> scanner = currentScanner();
    if (!scanner)
        return;
    scanner->set_lastpolicy(std::make_shared<vuro::policy>());
    toPolicy(scanner->last, QString());
    ui->constractSlider->setEnabled(scanner->last->color != color_mono);

    imageprocess.clearList();
    genSettingInfo();
    scan();
}

void MainWindow::on_btn_widget_imageProcess_scan_clicked()
{
    selectedPage = -1;
    scan();
}

void MainWindow::scan(int)
{
    genScaningDialog();
    ui->cover_widget->show();
    // The job-end signal comes before the session's thread has returned,
    // and a running thread cannot be started again.
    BusyState idle = Idle;
    if (pScanSDK->isRunning() || !busyState.compare_exchange_strong(idle, Scanning)) {
        qDebug() << "pScanSDK->isRunning()=========================pScanSDK->isRunning()";
        emit callbackWasErr(SANE_STATUS_DEVICE_BUSY);
        return;
    }
    const int status =
        pScanSDK->StartScan(settingInfo, toLocalstdString(installPath("scan/tmp/taliroscane")));
    if (status != SANE_STATUS_GOOD) {
        qDebug() << "ERROR=========================ERROR";
        busyState = Idle;
        pScanSDK->CancelScan();
        emit callbackWasErr(status);
        return;
    }
    qDebug() << "waiting... scan";
    pScanSDK->start();
}

void MainWindow::cancelScan()
{
    pScanSDK->CancelScan();
    if (previewScanning)
        initUIData();
}

int MainWindow::onErrCallback(int errCode)
{
    qDebug() << "into errCallback";
    emit callbackWasErr(errCode);
    qDebug() << "ErrCallback num:" << errCode;
    return 0;
}

int MainWindow::onScanPageCompleteCallback(QString fileName, int width, int height)
{
    qDebug() << "into ScanCompleteCallback";
    emit loadPicSignal(fileName, width, height);
    return 0;
}

int MainWindow::onScanPageProgressCallback(int progress)
{
    ui->pgb_scanProgress->setValue(progress);
    return 0;
}

int MainWindow::onScanJobCompleteCallback()
{
    pScanSDK->CancelScan();
    emit scanFinished();
    return 0;
}

void MainWindow::loadPic(QString fileName, int width, int height)
{
    qDebug() << "into loadPic";
    imageprocess.appendRGBDataImage(fileName.toLocal8Bit().toStdString(), width, height);

    // The feeder's pages are counted on the cover.
    const std::shared_ptr<vuro::policy> last = getLastPolicy();
    if (last && last->category != 0) {
        ++scanPageNo;
        ui->pgb_scanProgress->setFormat(tr("page ") + QString::number(scanPageNo) + tr(":") +
                                        QStringLiteral("%p%"));
        ui->pgb_scanProgress->setValue(0);
    }

    if (QFile::exists(fileName)) {
        const QString kept = installPath("scan/tmp/taliroscane") + QStringLiteral("_%1_%2.rgb").arg(width).arg(height);
        QFile::rename(fileName, kept);
        tmpFileList << kept;
    }
}

void MainWindow::scanFinishedslot()
{
    BusyState scanning = Scanning;
    busyState.compare_exchange_strong(scanning, Idle);
    qDebug() << "into scanFinished slot";
    emit closeDialog();
    // A close asked for during the job, now that it has ended and the
    // cover is gone.
    closeIfRequested();

    if (imageprocess.getImageCount() == 0)
        return;
    if (previewScanning) {
        const PaintingWidget *overlay = bgWidget->paintingWidget();
        if (QImage *image = imageprocess.getShowImage(overlay->width(), overlay->height(), color_full)) {
            bgWidget->setBgImg(*image);
            imageprocess.endImage(image);
        }
        previewScanning = false;
        previewShown = true;
        ui->pb_mainCancel->setEnabled(true);
        ui->pb_mainCancel->setStyleSheet(QStringLiteral("#pb_mainCancel{color:rgb(80,80,80);}"));
    } else if (multiPageOutput) {
        genKeepScaningDialog();
    } else {
        showScanResultSlot();
    }
}

void MainWindow::dealwithErr(int code)
{
    emit closeDialog();
    qDebug() << "errCode" << code;
    if (previewScanning)
        initUIData();
    // The canvas has been reset, so its crop rectangle no longer gives the
    // scan area.
    previewShown = false;

    QString message;
    switch (code) {
    case -1:
        break;
    case SANE_STATUS_CANCELLED:
        message = tr("Operation was cancelled");
        break;
    case SANE_STATUS_DEVICE_BUSY:
        message = tr("Device busy");
        break;
    case SANE_STATUS_JAMMED:
        message = tr("Document feeder jammed");
        break;
    case SANE_STATUS_NO_DOCS:
        message = tr("feeder is out");
        break;
    case SANE_STATUS_IO_ERROR:
        message = tr("sane_start err:Error during device I/O");
        break;
    default:
        message = tr("unknown error") + QStringLiteral(":") + QString::number(code);
        break;
    }
    if (code != -1)
        QMessageBox::warning(this, boxTitle, message, QMessageBox::Ok);

    logData = genData(QString(), timeText(), message);
    writJsonToLogFile(parseDataToJson(logData));

    if (!ui->widget_mainFrame->isHidden() && bgWidget->paintingWidget()->isHidden())
        ui->cbx_scanners->setEnabled(true);
}
