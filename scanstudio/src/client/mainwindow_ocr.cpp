// The OCR action of the result page: the selected page goes to the text
// recogniser on a thread of its own, and the user may keep its text as a
// file.

#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>

namespace {

// Far above the text of any page.
constexpr qint64 kMaxTextSize = 64 * 1024 * 1024;

// Writes the run's text to the chosen file, replacing what it held.
bool copyText(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly) || source.size() > kMaxTextSize)
        return false;
    const QByteArray text = source.readAll();
    QSaveFile target(to);
    return target.open(QIODevice::WriteOnly) && target.write(text) == text.size() && target.commit();
}

}  // namespace

void MainWindow::on_pb_ocr_clicked()
{
    genDealingDialog();
    ui->cover_widget->show();
    if (selectedPage == -1) {
        ui->cover_widget->hide();
        return;
    }
    // Nothing changes the page list while the recogniser reads it: no
    // refresh, no scan, no page control, no close until the run has ended.
    BusyState idle = Idle;
    if (ocrThread != nullptr || !busyState.compare_exchange_strong(idle, Recognising)) {
        ui->cover_widget->hide();
        return;
    }
    // A fresh file of this run: a failed recognition hands back no older
    // text, and nothing planted in the work folder is written through.
    QDir().mkpath(installPath("scan/tmp"));
    QTemporaryFile resultFile(installPath("scan/tmp/ocrXXXXXX.txt"));
    resultFile.setAutoRemove(false);
    if (!resultFile.open()) {
        busyState = Idle;
        ui->cover_widget->hide();
        return;
    }
    ocrResultFile = resultFile.fileName();
    resultFile.close();
    ui->widget_imageProcess->setEnabled(false);

    emit sigShowDealingDialog();
    ocrThread = new QThread(this);
    ocrTimer = new QTimer();
    ocrTimer->setSingleShot(true);
    ocrTimer->setInterval(0);
    ocrTimer->moveToThread(ocrThread);
    connect(ocrThread, &QThread::started, ocrTimer, qOverload<>(&QTimer::start));
    connect(ocrTimer, &QTimer::timeout, this, &MainWindow::genOCRFile, Qt::DirectConnection);
    // The run's thread ends its loop as soon as the run is over; its timer
    // is deleted on that thread when it ends.
    connect(this, &MainWindow::genOCRFinished, ocrThread, &QThread::quit, Qt::DirectConnection);
    connect(ocrThread, &QThread::finished, ocrTimer, &QObject::deleteLater);
    ocrThread->start();
}

void MainWindow::genOCRFile()
{
    qDebug() << "genOCRFile";
    QDir().mkpath(installPath("scan/tmp/taliroscane"));
    const bool recognised = imageprocess.ocr(selectedPage, ocrResultFile, QStringLiteral("chi_sim"), false);
    qDebug() << "set OCR success:" << (recognised ? "true" : "false");
    emit genOCRFinished();
}

void MainWindow::endOcrRun()
{
    if (ocrThread != nullptr) {
        ocrThread->quit();
        ocrThread->wait();
        delete ocrThread;
        ocrThread = nullptr;
        ocrTimer = nullptr;
    }
    BusyState recognising = Recognising;
    busyState.compare_exchange_strong(recognising, Idle);
    ui->widget_imageProcess->setEnabled(true);
}

void MainWindow::saveOcr()
{
    endOcrRun();
    emit sigHideDealingDialog();
    const QString proposal = saveFolder() + QLatin1Char('/') + fileNameByRule(timeText()) + QStringLiteral(".txt");
    const QString chosen = QFileDialog::getSaveFileName(this, tr("save as"), proposal, QString());
    if (!chosen.isEmpty() && !copyText(ocrResultFile, chosen))
        qDebug() << "ocr text not written to" << chosen;
    QFile::remove(ocrResultFile);
    ocrResultFile.clear();
    // A close asked for during the run.
    closeIfRequested();
}
