#include "base_form.h"

#include "configurator_pages.h"
#include "message_boxes.h"
#include "model_table.h"
#include "printer_list_reader.h"
#include "udp_exchange.h"
#include "util_libusb.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char kTitle[] = "泰岚激光打印工具";
const char kTextConnectFailed[] = "连接打印机失败，请检查连接状态！";
constexpr int kReplyBufferSize = 1024;
constexpr int kUsbConnection = 1;

}  // namespace

BaseForm::BaseForm(const ConfiguratorContext& context, const QString& title, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_labelTitle(new QLabel(title, this)),
      m_comboBoxDevice(new QComboBox(this)),
      m_layoutContent(new QVBoxLayout),
      m_buttonBack(new QPushButton(QStringLiteral("返回"), this))
{
    m_comboBoxDevice->setObjectName(QStringLiteral("comboBoxDevice"));
    m_buttonBack->setObjectName(QStringLiteral("buttonBack"));
    QFont titleFont = m_labelTitle->font();
    titleFont.setPointSize(15);
    m_labelTitle->setFont(titleFont);
    m_labelTitle->setAlignment(Qt::AlignCenter);

    auto* printerRow = new QHBoxLayout;
    printerRow->addWidget(new QLabel(QStringLiteral("打印机名称"), this));
    printerRow->addWidget(m_comboBoxDevice, 1);

    auto* backRow = new QHBoxLayout;
    backRow->addStretch();
    backRow->addWidget(m_buttonBack);
    backRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_labelTitle);
    layout->addLayout(printerRow);
    layout->addLayout(m_layoutContent, 1);
    layout->addLayout(backRow);

    connect(m_buttonBack, &QPushButton::clicked, this, &BaseForm::OnButtonBackClicked);
    connect(m_comboBoxDevice, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { OnComboBoxDeviceChanged(index); });
}

void BaseForm::OnButtonBackClicked()
{
    emit SgnChangeForm(kPageHome);
}

void BaseForm::RefreshDeviceCombobox()
{
    m_listPrinter = GetPrinterInfo(m_context.installRoot);
    m_comboBoxDevice->clear();
    for (const stPrinterInfo& printer : m_listPrinter)
        m_comboBoxDevice->addItem(printer.strName);
    if (!m_listPrinter.isEmpty())
        m_comboBoxDevice->setCurrentIndex(0);
}

int BaseForm::ShowMessageBoxOk(const QString& text)
{
    return ::ShowMessageBoxOk(this, QString::fromUtf8(kTitle), text);
}

int BaseForm::ShowMessageBoxOkCancel(const QString& text)
{
    return ::ShowMessageBoxOkCancel(this, QString::fromUtf8(kTitle), text);
}

const stPrinterInfo* BaseForm::SelectedPrinter() const
{
    const int index = m_comboBoxDevice->currentIndex();
    if (index < 0 || index >= m_listPrinter.size())
        return nullptr;
    return &m_listPrinter[index];
}

bool BaseForm::SendMaintenanceFrame(const stPrinterInfo& printer, const unsigned char* frame, std::size_t size)
{
    const int length = static_cast<int>(size);
    unsigned char reply[kReplyBufferSize] = {};
    int received = 0;
    if (printer.iConnectType == kUsbConnection) {
        int vid = 0;
        int pid = 0;
        if (!GetPrinterVidPid(printer.strPort, vid, pid)) {
            ShowMessageBoxOk(QString::fromUtf8(kTextUnsupportedModel));
            return false;
        }
        const int code =
            USBSendRecvData(*m_context.usb, vid, pid, printer.strPort, frame, length, reply, sizeof reply, received);
        if (code == USB_OK || code == USB_RECEIVE_FAILED)
            return true;
        ShowMessageBoxOk(UsbResultMessage(code));
        return false;
    }
    if (UDPSendRecvData(printer.strPort, frame, length, reply, sizeof reply, received) == UDP_OK)
        return true;
    ShowMessageBoxOk(QString::fromUtf8(kTextConnectFailed));
    return false;
}
