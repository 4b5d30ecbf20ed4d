// Keeping the scanner list current: the poll of the printer list file on its
// own thread, the device refresh on the GUI thread, and the end of the
// application when no scanner is left.

#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "VuroScanSDK.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void MainWindow::onTimer()
{
    // The first run comes at once, every later one 5 s after the previous.
    pollTimer->setInterval(5000);
    checkPrinterList();
}

void MainWindow::checkPrinterList()
{
    // Only the file's time is read, never its content; a fifo or a device
    // planted at the name does not hold the poll.
    const QByteArray path = QFile::encodeName(installPath("cfg/printerlist.ini"));
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (fstat(fd, &st) == 0 && st.st_mtime != lastPrinterListTime) {
        // A change seen during a job or a refresh is not remembered: the
        // next poll after it sees it again.
        BusyState idle = Idle;
        if (busyState.compare_exchange_strong(idle, Refreshing)) {
            lastPrinterListTime = st.st_mtime;
            emit sigStartFindDev();
            onGetDevices();
        }
    }
    ::close(fd);
}

void MainWindow::onGetDevices()
{
    // The records' strings are the session's and live as long as it does.
    std::vector<SANE_Device> devices;
    pScanSDK->GetAllDevice(devices);
    // The busy state stays Refreshing until the GUI thread has rebuilt the
    // list and reopened the scanner.
    QMetaObject::invokeMethod(
        this, [this, devices] { refreshScannerList(devices); }, Qt::QueuedConnection);
}

void MainWindow::refreshScannerList(const std::vector<SANE_Device> &devices)
{
    qDebug() << "last use scanner is " << scanningScannerName;
    deviceList = devices;
    int lastIndex = -1;
    if (deviceList.empty()) {
        emit noScanneravilable();
    } else {
        ui->cbx_scanners->clear();
        QStringList names;
        for (std::size_t i = 0; i < deviceList.size(); ++i) {
            const QString name = toLocalQString(deviceList[i].name ? deviceList[i].name : "");
            if (name == scanningScannerName) {
                lastIndex = static_cast<int>(i);
                qDebug() << "last use scanner index is" << lastIndex << " localFromLocal8Bit " << name;
            }
            if (!scanProfile.get_scanner(toLocalstdString(name))) {
                bool existed = false;
                scanProfile.add_scanner(toLocalstdString(name), existed);
                qDebug() << "no scanner add new scanner name:" << name;
            }
            names << name;
        }
        ui->cbx_scanners->addItems(names);
    }
    emit sigStopFindDev();
    if (!deviceList.empty())
        emit sigGetDevices(lastIndex);
    BusyState refreshing = Refreshing;
    busyState.compare_exchange_strong(refreshing, Idle);
}

void MainWindow::onStartFindDev()
{
    if (ui->cover_widget->isHidden()) {
        genWaitingDialog();
        ui->cover_widget->show();
    }
}

void MainWindow::onStopFindDev()
{
    // A scanning or working cover stays up.
    if (!ui->cover_widget->isHidden() && ui->cover_text_center->text() == tr("Find Dev......"))
        ui->cover_widget->hide();
    if (deviceList.empty())
        emit noScanneravilable();
}

void MainWindow::setTipForCombox(int lastIndex)
{
    qDebug() << "setTipForCombox";
    // The new model selects its first entry, which opens that scanner.
    auto *model = new QStandardItemModel(ui->cbx_scanners);
    for (int i = 0; i < ui->cbx_scanners->count(); ++i) {
        auto *item = new QStandardItem(ui->cbx_scanners->itemText(i));
        item->setToolTip(item->text());
        model->appendRow(item);
    }
    ui->cbx_scanners->setModel(model);

    if (!scanningScannerName.isEmpty() && lastIndex == -1) {
        if (noScannerReported) {
            ui->cbx_scanners->setCurrentIndex(0);
            return;
        }
        const QString name = scanningScannerName;
        scanningScannerName.clear();
        QMessageBox::warning(this, tr("warning"),
                             tr("scanner list was changed could not find a scanner with name：") + name +
                                 tr(",please do it again."),
                             QMessageBox::Ok);
        // Pages not yet saved stay where they are.
        if (imageprocess.getImageCount() == 0)
            ui->btn_widget_imageprocess_cancel->click();
        return;
    }
    ui->cbx_scanners->setCurrentIndex(lastIndex == -1 ? 0 : lastIndex);
}

void MainWindow::noAvilableScanner()
{
    if (noScannerReported)
        return;
    noScannerReported = true;
    QMessageBox::information(this, tr("no avilable scanner"), tr("please try again later"), QMessageBox::Ok);
    // Pages on the result page get the close rules' chance to be kept.
    if (imageprocess.getImageCount() > 0 && !ui->widget_imageProcess->isHidden())
        askToSaveBeforeQuit();
    QCoreApplication::exit(0);
}
