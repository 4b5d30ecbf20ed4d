#include "mainwindow.h"

#include "bgwidget.h"
#include "shared_files.h"
#include "ui_mainwindow.h"
#include "vurocombboxitem.h"
#include "vurocombobox.h"

#include "VuroScanSDK.h"

#include <taliro/install_root.h>

#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QPixmap>
#include <QThread>
#include <QTimer>

MainWindow *MainWindow::_instancePtr = nullptr;

QString MainWindow::defaultInstallRoot()
{
    return QString::fromUtf8(taliro::kInstallRoot);
}

MainWindow::MainWindow(QWidget *parent, const QString &installRoot)
    : QMainWindow(parent)
    , root(installRoot)
    , defaultFileRule(QStringLiteral("taliro_%datetime%"))
    , textColor(QObject::tr("Color"))
    , textGray(QObject::tr("Gray"))
    , textMono(QObject::tr("Mono"))
    , textFlatbed(QObject::tr("Flatbed"))
    , textADF(QObject::tr("ADF"))
    , textAuto(QObject::tr("Auto"))
    , textPicture(QObject::tr("Picture"))
    , textDocument(QObject::tr("Document"))
    , textAddPolicy(QObject::tr("add policy"))
    , textLastConfiguration(QObject::tr("Last configuration (default)"))
    , textCustom(QObject::tr("Custom"))
    , textSaveSuccess(tr("save success"))
    , textSaveFaile(tr("save faile"))
    , boxTitle(tr("ERROR"))
    , imageprocess(installRoot)
    , ui(new Ui::MainWindow)
    , scanProfile(installPath("scan/scanApp.conf").toLocal8Bit().toStdString())
{
    initOptionLists();
    _instancePtr = this;
    ui->setupUi(this);
    initVurosdk();
    initUI();
    startDevicePoll();
    makeSharedFiles();
}

QString MainWindow::installPath(const char *relative) const
{
    return root + QLatin1String(relative);
}

void MainWindow::initOptionLists()
{
    imageFormats = {"JPG", "PNG", "BMP", "TIF", "PDF", "OFD"};
    flatbedResolutions = {"75 dpi", "100 dpi", "150 dpi", "200 dpi", "300 dpi", "600 dpi", "1200 dpi"};
    feederResolutions = {"75 dpi", "100 dpi", "150 dpi", "200 dpi", "300 dpi", "600 dpi"};
    colorModes = {toLocalstdString(textColor), toLocalstdString(textGray), toLocalstdString(textMono)};
    mediumTypes = {"Paper", "ID Card"};
    scanSources = {toLocalstdString(textFlatbed), toLocalstdString(textADF), toLocalstdString(textAuto)};
    presets = {toLocalstdString(textPicture), toLocalstdString(textDocument), toLocalstdString(textAddPolicy),
               toLocalstdString(textLastConfiguration)};
    paperSizes = {"A4", "B5", toLocalstdString(textCustom)};
    paperUnits = {"mm", "cm", "inch"};
    qualities = {"100%", "90%", "80%", "70%", "60%", "50%"};
}

void MainWindow::initVurosdk()
{
    pScanSDK = new VuroScanSDK();
    // An unbound session lists no device, which the poll reports.
    pScanSDK->InitContext(installPath("scan/sane-taliro-q804.so").toStdString());
}

void MainWindow::initUI()
{
    scanProfile.load(installPath("scan/scanApp.conf").toLocal8Bit().constData());

    ui->wgt_advancedSettings->hide();
    ui->widget_imageProcess->hide();
    ui->jiupianCheckBox->hide();
    ui->jiupian_label->hide();

    bgWidget = new BgWidget(ui->widget_mainFrame);
    policyCombo = new VuroCombobox(ui->config_widget);
    policyCombo->setGeometry(ui->cbx_configure->geometry());
    ui->cbx_configure->hide();
    bgWidget->setGeometry(220, 20, 271, 390);
    ui->lbl_vuroLogo->setPixmap(QPixmap(QStringLiteral(":/new/resource/logo.png")));

    // Paper lengths are read and shown the same way under every locale.
    ui->spx_paperWidth->setLocale(QLocale::c());
    ui->spx_paperHeight->setLocale(QLocale::c());
    ui->spx_paperWidth->setRange(0, 216);
    ui->spx_paperHeight->setRange(0, 356);
    ui->spx_bgFade->setRange(1, 50);
    ui->sdr_bgFade->setRange(1, 50);
    ui->spx_bgFade->setValue(3);
    ui->sdr_bgFade->setValue(3);

    ui->cover_widget->hide();
    ui->previewArea->setMouseTracking(true);

    // The canvas's crop frame is hidden at this point.
    ui->pb_mainCancel->setEnabled(false);
    ui->pb_mainCancel->setStyleSheet(QStringLiteral("#pb_mainCancel{color:gray;}"));

    initSignalAndSlot();
    initAdvancePage();
}

void MainWindow::initSignalAndSlot()
{
    connect(policyCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &MainWindow::on_combo_policy_indexChanged);
    connect(policyCombo, &VuroCombobox::removeThisItem, this, &MainWindow::removePolicy);
    connect(this, &MainWindow::callbackWasErr, this, &MainWindow::dealwithErr);
    connect(this, &MainWindow::callbackWasErr, bgWidget, &BgWidget::initUIdata);
    connect(this, &MainWindow::scanFinished, this, &MainWindow::scanFinishedslot);
    connect(bgWidget, &BgWidget::scanPreview, this, &MainWindow::scanPreview);
    connect(this, &MainWindow::loadPicSignal, this, &MainWindow::loadPic);
    connect(pScanSDK, &VuroScanSDK::sigErrCallBack, this, &MainWindow::onErrCallback);
    connect(pScanSDK, &VuroScanSDK::sigPageCompleteBack, this, &MainWindow::onScanPageCompleteCallback);
    connect(pScanSDK, &VuroScanSDK::sigPageProgressBack, this, &MainWindow::onScanPageProgressCallback);
    connect(pScanSDK, &VuroScanSDK::sigJobCompleteBack, this, &MainWindow::onScanJobCompleteCallback);
    connect(this, &MainWindow::noScanneravilable, this, &MainWindow::noAvilableScanner);
    connect(this, &MainWindow::sigShowDealingDialog, this, &MainWindow::showDealingDialog);
    connect(this, &MainWindow::sigHideDealingDialog, this, &MainWindow::hideDealingDialog);
    connect(this, &MainWindow::genOCRFinished, this, &MainWindow::saveOcr);
}

void MainWindow::startDevicePoll()
{
    pollThread = new QThread(this);
    pollTimer = new QTimer();
    pollTimer->moveToThread(pollThread);
    pollTimer->setInterval(0);
    connect(pollThread, &QThread::started, pollTimer, qOverload<>(&QTimer::start));
    connect(pollTimer, &QTimer::timeout, this, &MainWindow::onTimer, Qt::DirectConnection);
    connect(this, &MainWindow::sigStartFindDev, this, &MainWindow::onStartFindDev);
    connect(this, &MainWindow::sigStopFindDev, this, &MainWindow::onStopFindDev);
    connect(this, &MainWindow::sigGetDevices, this, &MainWindow::setTipForCombox);
    // A timer is stopped and deleted on its own thread: when the poll
    // thread's loop ends.
    connect(pollThread, &QThread::finished, pollTimer, &QObject::deleteLater);
    pollThread->start();
}

void MainWindow::stopDevicePoll()
{
    pollThread->quit();
    pollThread->wait();
    pollTimer = nullptr;
}

void MainWindow::makeSharedFiles()
{
    for (const char *name : {"scan/auth", "scan/scanApp.conf", "scan/scanAppLog.log", "scan/talirodaemon.pid",
                             "scan/taliroLogDaemon.pid"})
        chmodFileTo777(installPath(name));
}

MainWindow::~MainWindow()
{
    qDebug() << "~MainWindow()";
    // onTimer uses the members below, the profile among them.
    stopDevicePoll();
    // An OCR run reads a page of the page list.
    if (ocrThread != nullptr) {
        ocrThread->quit();
        ocrThread->wait();
    }
    if (!logData.written)
        writJsonToLogFile(parseDataToJson(logData));
    const QString profilePath = installPath("scan/scanApp.conf");
    scanProfile.save(profilePath.toLocal8Bit().constData());
    chmodFileTo777(profilePath);

    // The scan thread still talks to the backend and signals the window.
    if (busyState == Scanning || pScanSDK->isRunning())
        pScanSDK->CancelScan();
    pScanSDK->wait();
    delete ui;
    ui = nullptr;

    pScanSDK->CloseDev();
    delete pScanSDK;
    pScanSDK = nullptr;

    imageprocess.clearList();

    for (const QString &path : qAsConst(tmpFileList)) {
        if (QFile::exists(path))
            QFile::remove(path);
    }
    DelDir(installPath("scan/tmp/taliroscane"));
    DelDir(installPath("scan/tmp/"));
    qDebug() << "tmpFile deleted";
    chmodFileTo777(installPath("scan/scanAppLog.log"));
    if (_instancePtr == this)
        _instancePtr = nullptr;
}
