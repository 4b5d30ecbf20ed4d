#include "widget.h"

#include "ui_widget.h"

#include "fw_update_task.h"
#include "message_boxes.h"
#include "model_table.h"
#include "printer_files.h"
#include "printer_list_reader.h"
#include "printer_log.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QThread>

#include <climits>

namespace {

const char kTitle[] = "泰岚激光打印机升级助手";
const char kFilePrefix[] = "file://";
constexpr int kUsbConnection = 1;
constexpr int kTries = 3;
constexpr unsigned long kPauseAfterFailedTryMs = 100;

}  // namespace

Widget::Widget(const FirmwareContext& context, QWidget* parent)
    : QWidget(parent), ui(new Ui::Widget), m_context(context)
{
    Q_INIT_RESOURCE(firmwareupdater);
    ui->setupUi(this);
    InitUI();
    InitDeviceTable();
    RefreshDeviceTable();
}

Widget::~Widget()
{
    delete ui;
}

void Widget::InitUI()
{
    setWindowIcon(QIcon(QStringLiteral(":/logo.png")));
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setFixedSize(size());
    setWindowTitle(QString::fromUtf8(kTitle));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ui->label->setText(QStringLiteral("选择您要升级的打印机："));
    ui->label_2->setText(QStringLiteral("选择您要升级的固件："));
    ui->buttonRefresh->setText(QStringLiteral("刷新列表"));
    ui->buttonBrowse->setText(QStringLiteral("浏览"));
    ui->buttonOK->setText(QStringLiteral("一键升级"));
    ui->lineFilePath->clear();
    ui->buttonRefresh->setDefault(true);
}

void Widget::InitDeviceTable()
{
    QTableWidget* table = ui->tablePrinterList;
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("打印机名称"), QStringLiteral("打印机型号"), QStringLiteral("连接方式"), QStringLiteral("连接状态")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
}

QList<stPrinterInfo> Widget::GetPrinterInfo() const
{
    QList<stPrinterInfo> usbPrinters;
    for (const stPrinterInfo& printer : ::GetPrinterInfo(m_context.installRoot))
        if (printer.iConnectType == kUsbConnection)
            usbPrinters << printer;
    return usbPrinters;
}

void Widget::RefreshDeviceTable()
{
    m_listPrinter = GetPrinterInfo();
    QTableWidget* table = ui->tablePrinterList;
    table->clearContents();
    table->setRowCount(m_listPrinter.size());
    for (int row = 0; row < m_listPrinter.size(); ++row) {
        const stPrinterInfo& printer = m_listPrinter[row];
        const QString snapshot = printer_files::StatusSnapshotPath(m_context.installRoot, printer.strName);
        const bool connected = !snapshot.isEmpty() && QFileInfo(snapshot).isFile();
        table->setItem(row, 0, new QTableWidgetItem(printer.strName));
        table->setItem(row, 1, new QTableWidgetItem(printer.strModel));
        table->setItem(row, 2, new QTableWidgetItem(QStringLiteral("USB")));
        table->setItem(row, 3, new QTableWidgetItem(connected ? QStringLiteral("已连接") : QStringLiteral("未连接")));
    }
}

bool Widget::GetPrinterVidPid(const QString& model, int& vid, int& pid)
{
    for (const stModelInfo& row : c_stModelInfoList) {
        if (model.compare(QString::fromLatin1(row.strModelName), Qt::CaseInsensitive) == 0) {
            vid = row.iVendorId;
            pid = row.iProductId;
            return true;
        }
    }
    return false;
}

bool Widget::CheckFWFile(const QString& path, QByteArray& image)
{
    image.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    PRINTER_LOG("open %s success\n", qUtf8Printable(path));
    const qint64 size = file.size();
    // The transfer takes the length as an int.
    if (size < 0 || size > INT_MAX)
        return false;
    image.resize(static_cast<int>(size));
    const qint64 read = size > 0 ? file.read(image.data(), size) : 0;
    PRINTER_LOG("len=%d\n", static_cast<int>(size));
    if (read != size) {
        image.clear();
        return false;
    }
    return true;
}

int Widget::ShowMessageBoxOk(const QString& text)
{
    return ::ShowMessageBoxOk(this, QString::fromUtf8(kTitle), text);
}

int Widget::ShowMessageBoxOkCancel(const QString& text)
{
    return ::ShowMessageBoxOkCancel(this, QString::fromUtf8(kTitle), text);
}

void Widget::on_buttonBrowse_clicked()
{
    const QString current = ui->lineFilePath->text();
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("选择您要升级的固件："),
                                                      current.isEmpty() ? QDir::homePath() : current,
                                                      QStringLiteral("fls Files(*.fls)"));
    if (!path.isEmpty())
        ui->lineFilePath->setText(path);
}

void Widget::on_buttonRefresh_clicked()
{
    RefreshDeviceTable();
}

void Widget::on_buttonOK_clicked()
{
    const QModelIndexList rows = ui->tablePrinterList->selectionModel()->selectedRows();
    const int row = rows.isEmpty() ? -1 : rows.first().row();
    if (row < 0 || row >= m_listPrinter.size()) {
        ShowMessageBoxOk(QStringLiteral("请选择一个打印机进行操作！"));
        return;
    }
    const stPrinterInfo printer = m_listPrinter[row];

    QString path = ui->lineFilePath->text();
    if (path.startsWith(QLatin1String(kFilePrefix), Qt::CaseSensitive)) {
        path = path.mid(static_cast<int>(sizeof kFilePrefix) - 1);
        ui->lineFilePath->setText(path);
    }
    if (!QFileInfo(path).isFile()) {
        ShowMessageBoxOk(QStringLiteral("请检查文件路径！"));
        return;
    }
    int vid = 0;
    int pid = 0;
    if (!GetPrinterVidPid(printer.strModel, vid, pid)) {
        ShowMessageBoxOk(QStringLiteral("不支持该打印机型号！"));
        return;
    }
    if (ShowMessageBoxOkCancel(QStringLiteral("是否升级打印机 ") + printer.strName + QStringLiteral(" ？")) != kMessageBoxOk)
        return;

    QByteArray image;
    if (!CheckFWFile(path, image)) {
        ShowMessageBoxOk(QStringLiteral("读取升级文件失败，请检查文件状态！"));
        return;
    }
    int code = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        int sent = 0;
        code = FWUpdateTask(*m_context.usb, vid, pid, printer.strPort, image.constData(), image.size(), sent);
        if (code == 0)
            break;
        QThread::msleep(kPauseAfterFailedTryMs);
        // Part of the image went out: sending it whole again after a
        // fragment could leave the printer with a broken image.
        if (sent > 0)
            break;
    }
    image.clear();
    ShowMessageBoxOk(FirmwareResultMessage(code));
}
