#include "printerassistantwidget.h"

#include "appsetting.h"
#include "desktop_scale.h"
#include "printer_log.h"
#include "status_texts.h"
#include "trd_device_manage.h"
#include "trd_get_printer_status.h"
#include "ui_printerassistantwidget.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QStyle>
#include <QThread>

using assistant::stPrinterManager;
using assistant::TrdDeviceManage;
using assistant::TrdGetPrinterStatus;

namespace {

const char kTitle[] = "泰岚激光打印机助手";
const char kIconPath[] = ":/Icon/Resource/Vuro.png";
const char kFirmwareUpdater[] = "bin/FirmwareUpdater";
constexpr int kThreadStopWaitMs = 1000;

enum Column { kColumnName, kColumnConnection, kColumnToner, kColumnStatus, kColumnCount };
const int kColumnWidths[kColumnCount] = {120, 150, 85, 185};

QString TonerText(quint64 remainingToner)
{
    return QString::asprintf("%.2f%%", static_cast<double>(remainingToner) / 100.0);
}

QString CodesText(const QList<enErrorStatus>& codes)
{
    QStringList parts;
    for (enErrorStatus code : codes)
        parts.append(QString::number(code));
    return parts.join(QLatin1Char(','));
}

QTableWidgetItem* Cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

}  // namespace

// The icon's resource lives in a static library, whose registration the
// linker would otherwise drop.
static void InitResources()
{
    Q_INIT_RESOURCE(printerassistant);
}

PrinterAssistantWidget::PrinterAssistantWidget(QWidget* parent, const AssistantPaths& paths)
    : QWidget(parent)
    , ui(new Ui::PrinterAssistantWidget)
    , m_paths(paths)
{
    InitResources();
    ui->setupUi(this);
    setWindowIcon(QIcon(QString::fromLatin1(kIconPath)));
    if (DesktopWidth() > kDesignDesktopWidth) {
        const double scale = DesktopScale();
        resize(Scaled(width(), scale), Scaled(height(), scale));
    }
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setFixedSize(size());
    setWindowTitle(QString::fromUtf8(kTitle));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));

    m_pAppSetting = new AppSetting(m_paths);
    m_iThreadCount = 0;
    InitLog();
    m_iLanguage = assistant::kLanguageChinese;
    InitDeviceTable();
    InitTrayIcon();
    InitThread();
}

PrinterAssistantWidget::~PrinterAssistantWidget()
{
    StopThreads();
    delete m_pAppSetting;
    delete ui;
}

void PrinterAssistantWidget::InitLog()
{
    SetLogEnable(false, LogProgram::PrinterAssistant, m_paths.installRoot);
    PRINTER_LOG("desktop = %d, %d", DesktopWidth(), DesktopHeight());
}

void PrinterAssistantWidget::InitDeviceTable()
{
    PRINTER_LOG("InitDeviceTable start");
    QTableWidget* table = ui->tableDeviceManage;
    table->setColumnCount(kColumnCount);
    table->setHorizontalHeaderLabels({QStringLiteral("打印机名称"), QStringLiteral("连接方式"),
                                      QStringLiteral("剩余碳粉量"), QStringLiteral("状态")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setSectionsClickable(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    const double scale = DesktopScale();
    if (DesktopWidth() > kDesignDesktopWidth) {
        const QRect geometry = table->geometry();
        table->setGeometry(Scaled(geometry.x(), scale), Scaled(geometry.y(), scale),
                           Scaled(geometry.width(), scale), Scaled(geometry.height(), scale));
    }
    for (int column = 0; column < kColumnCount; ++column)
        table->setColumnWidth(column, Scaled(kColumnWidths[column], scale));
    PRINTER_LOG("InitDeviceTable end");
}

void PrinterAssistantWidget::InitTrayIcon()
{
    PRINTER_LOG("InitTrayIcon start");
    m_pTrayIcon = new QSystemTrayIcon(QIcon(QString::fromLatin1(kIconPath)), this);
    m_pTrayIcon->setToolTip(QString::fromUtf8(kTitle));
    connect(m_pTrayIcon, &QSystemTrayIcon::activated, this, &PrinterAssistantWidget::SlotActivatedTrayIcon);

    m_pTrayMenu = new QMenu(this);
    m_pActionShow = m_pTrayMenu->addAction(QStringLiteral("显示主界面"), this,
                                           &PrinterAssistantWidget::SlotTrayActionShow);
    m_pActionUpdateFW = m_pTrayMenu->addAction(QStringLiteral("打印机更新助手"), this,
                                               &PrinterAssistantWidget::SlotTrayActionUpdateFW);
    m_pActionSetting = m_pTrayMenu->addAction(QStringLiteral("设置"), this,
                                              &PrinterAssistantWidget::SlotTrayActionSetting);
    m_pActionExit = m_pTrayMenu->addAction(QStringLiteral("退出"), this,
                                           &PrinterAssistantWidget::SlotTrayActionExit);
    m_pTrayIcon->setContextMenu(m_pTrayMenu);
    m_pTrayIcon->setVisible(true);
    PRINTER_LOG("InitTrayIcon end");
}

void PrinterAssistantWidget::InitThread()
{
    PRINTER_LOG("InitThread start");
    m_pDeviceManage = new TrdDeviceManage(m_paths.installRoot);
    m_pManageThread = new QThread;
    m_pDeviceManage->moveToThread(m_pManageThread);
    m_pManageThread->start(QThread::InheritPriority);
    m_pDeviceManage->Init(&m_printerList);
    connect(this, &PrinterAssistantWidget::SgnManageThreadStart, m_pDeviceManage, &TrdDeviceManage::SlotTaskStart);
    // Direct: the worker's own thread is busy in its loop and takes no queued call.
    connect(this, &PrinterAssistantWidget::SgnThreadQuit, m_pDeviceManage, &TrdDeviceManage::SlotThreadQuit,
            Qt::DirectConnection);
    connect(m_pDeviceManage, &TrdDeviceManage::SgnUpdatePrinterList, this,
            &PrinterAssistantWidget::SlotUpdatePrinterList);
    emit SgnManageThreadStart();
    PRINTER_LOG("InitThread end");
}

void PrinterAssistantWidget::StopThreads()
{
    // Every loop learns to stop at once; then each thread is waited for in turn.
    emit SgnThreadQuit();
    QList<QThread*> threads{m_pManageThread};
    threads += m_listStatusThread;
    for (QThread* thread : threads)
        thread->quit();

    QList<QObject*> workers{m_pDeviceManage};
    for (TrdGetPrinterStatus* worker : m_listStatusWorker)
        workers.append(worker);
    for (int i = 0; i < threads.size(); ++i) {
        // A worker whose loop has not ended is left running rather than destroyed under it.
        if (!threads[i]->wait(kThreadStopWaitMs))
            continue;
        delete threads[i];
        delete workers[i];
    }
    m_pManageThread = nullptr;
    m_pDeviceManage = nullptr;
    m_listStatusThread.clear();
    m_listStatusWorker.clear();
}

void PrinterAssistantWidget::closeEvent(QCloseEvent* event)
{
    // The program keeps running in the tray.
    event->ignore();
    hide();
}

void PrinterAssistantWidget::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
}

void PrinterAssistantWidget::ShowBalloon(const QString& title, const QString& message,
                                         QSystemTrayIcon::MessageIcon icon, int ms)
{
    m_pTrayIcon->showMessage(title, message, icon, ms);
}

void PrinterAssistantWidget::SlotActivatedTrayIcon(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        SlotTrayActionShow();
}

void PrinterAssistantWidget::SlotTrayActionShow()
{
    if (isActiveWindow())
        return;
    showNormal();
}

void PrinterAssistantWidget::SlotTrayActionUpdateFW()
{
    QProcess::startDetached(QDir(m_paths.installRoot).filePath(QString::fromLatin1(kFirmwareUpdater)), {});
}

void PrinterAssistantWidget::SlotTrayActionSetting()
{
    m_pAppSetting->show();
}

void PrinterAssistantWidget::SlotTrayActionExit()
{
    m_pAppSetting->close();
    hide();
    m_pTrayIcon->hide();
    emit SgnThreadQuit();
    QCoreApplication::quit();
}

void PrinterAssistantWidget::SlotUpdatePrinterList()
{
    const QList<stPrinterManager> entries = m_printerList.Entries();
    const int count = entries.size();
    QTableWidget* table = ui->tableDeviceManage;
    table->clearContents();
    table->setRowCount(count);
    for (int row = 0; row < count; ++row) {
        const stPrinterInfo& info = entries[row].stInfo;
        table->setItem(row, kColumnName, Cell(info.strName));
        table->setItem(row, kColumnConnection,
                       Cell(info.iConnectType == 1 ? QStringLiteral("USB")
                                                   : QStringLiteral("网络(") + info.strPort + QStringLiteral(")")));
        table->setItem(row, kColumnToner, Cell(TonerText(0)));
        table->setItem(row, kColumnStatus, Cell(assistant::StatusText(PRINTER_STATUS_OFFLINE, m_iLanguage)));
    }

    // One worker per index: an index that comes back after the list shrank
    // keeps the worker that idled for it.
    for (int index = m_listStatusWorker.size(); index < count; ++index) {
        auto* worker = new TrdGetPrinterStatus(m_paths.installRoot);
        auto* thread = new QThread;
        thread->start(QThread::InheritPriority);
        worker->moveToThread(thread);
        worker->Init(index, &m_printerList);
        connect(this, &PrinterAssistantWidget::SgnStatusThreadStart, worker, &TrdGetPrinterStatus::SlotTaskStart);
        connect(this, &PrinterAssistantWidget::SgnThreadQuit, worker, &TrdGetPrinterStatus::SlotThreadQuit,
                Qt::DirectConnection);
        connect(worker, &TrdGetPrinterStatus::SgnUpdatePrinterStatus, this,
                &PrinterAssistantWidget::SlotUpdatePrinterStatus);
        m_listStatusWorker.append(worker);
        m_listStatusThread.append(thread);
        emit SgnStatusThreadStart();
    }
    m_iThreadCount = m_listStatusWorker.size();
    DebugOutputPrinterInfo();
}

void PrinterAssistantWidget::SlotUpdatePrinterStatus(int index)
{
    QTableWidget* table = ui->tableDeviceManage;
    stPrinterManager entry;
    if (index >= table->rowCount() || !m_printerList.CopyEntry(index, entry))
        return;
    const stPrinterState& state = entry.stState;
    table->setItem(index, kColumnToner, Cell(TonerText(state.dwRemainingToner)));

    QString text;
    if (!state.listError.isEmpty()) {
        text = assistant::ErrorDescText(state.listError.first(), m_iLanguage);
        ShowBalloon(entry.stInfo.strName, text, QSystemTrayIcon::Critical, kBalloonMs);
    } else {
        text = assistant::StatusText(state.enCurrentStatus, m_iLanguage);
        if (!state.listWarning.isEmpty()) {
            const QString warning = assistant::ErrorDescText(state.listWarning.first(), m_iLanguage);
            ShowBalloon(entry.stInfo.strName, warning, QSystemTrayIcon::Warning, kBalloonMs);
            if (state.enCurrentStatus == PRINTER_STATUS_PRINTING)
                text += QStringLiteral("(") + warning + QStringLiteral(")");
        }
    }
    table->setItem(index, kColumnStatus, Cell(text));
    DebugOutputPrinterStatus(index);
}

void PrinterAssistantWidget::DebugOutputPrinterInfo()
{
    const QList<stPrinterManager> entries = m_printerList.Entries();
    PRINTER_LOG("printer number=%d", entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const QByteArray name = entries[i].stInfo.strName.toLocal8Bit();
        PRINTER_LOG("printer[%d] %s=%s", i, name.constData(), entries[i].stInfo.strPort.toLocal8Bit().constData());
        PRINTER_LOG("%s: enType=%s", name.constData(), entries[i].stInfo.strModel.toLocal8Bit().constData());
        PRINTER_LOG("%s: iConnectType=%d", name.constData(), entries[i].stInfo.iConnectType);
    }
}

void PrinterAssistantWidget::DebugOutputPrinterStatus(int index)
{
    stPrinterManager entry;
    if (!m_printerList.CopyEntry(index, entry))
        return;
    const QByteArray name = entry.stInfo.strName.toLocal8Bit();
    const char* n = name.constData();
    const stPrinterState& s = entry.stState;
    PRINTER_LOG("printer[%d]=%s", index, n);
    PRINTER_LOG("%s: strPrinterSerialNumber=%s", n, s.strPrinterSerialNumber.toLocal8Bit().constData());
    PRINTER_LOG("%s: enCurrentStatus=%d", n, static_cast<int>(s.enCurrentStatus));
    PRINTER_LOG("%s: strFWVersion=%s", n, s.strFWVersion.toLocal8Bit().constData());
    PRINTER_LOG("%s: strVenderName=%s", n, s.strVenderName.toLocal8Bit().constData());
    PRINTER_LOG("%s: strProductName=%s", n, s.strProductName.toLocal8Bit().constData());
    PRINTER_LOG("%s: iNumberOfError=%d", n, s.listError.size());
    PRINTER_LOG("%s: iNumberOfWarning=%d", n, s.listWarning.size());
    PRINTER_LOG("%s: error code=%s", n, CodesText(s.listError).toLatin1().constData());
    PRINTER_LOG("%s: warning code=%s", n, CodesText(s.listWarning).toLatin1().constData());
    PRINTER_LOG("%s: strSupplySerialNumber=%s", n, s.strSupplySerialNumber.toLocal8Bit().constData());
    PRINTER_LOG("%s: enSpplyType=%d", n, static_cast<int>(s.enSpplyType));
    PRINTER_LOG("%s: dwRemainingToner=%llu", n, static_cast<unsigned long long>(s.dwRemainingToner));
    PRINTER_LOG("%s: dwWasteToner=%llu", n, static_cast<unsigned long long>(s.dwWasteToner));
    PRINTER_LOG("%s: dwOPCRotation=%llu", n, static_cast<unsigned long long>(s.dwOPCRotation));
    PRINTER_LOG("%s: dwNumberOfPages=%llu", n, static_cast<unsigned long long>(s.dwNumberOfPages));
    PRINTER_LOG("%s: dwNumberOfPrint=%llu", n, static_cast<unsigned long long>(s.dwNumberOfPrint));
    PRINTER_LOG("%s: dwPrintDotsCount=%llu", n, static_cast<unsigned long long>(s.dwPrintDotsCount));
    PRINTER_LOG("%s: dwPrinterNumOfPages=%llu", n, static_cast<unsigned long long>(s.dwPrinterNumOfPages));
    PRINTER_LOG("%s: dwPrinterNumOfPrint=%llu", n, static_cast<unsigned long long>(s.dwPrinterNumOfPrint));
}
