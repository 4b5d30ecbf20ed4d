#include "net_form.h"

#include "model_table.h"
#include "udp_exchange.h"
#include "util_libusb.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringList>
#include <QVBoxLayout>

namespace {

using configurator_frames::kAddressCount;

constexpr int kReplyBufferSize = 1024;
constexpr int kUsbConnection = 1;
// A "ct" answer shorter than this holds no item.
constexpr int kMinConnectTypeReply = 8;

const char* const kAddressLabels[kAddressCount] = {"IP地址", "子网掩码", "默认网关", "首选DNS",
                                                   "备用DNS", "首选WINS", "备用WINS"};
const char kTextNoConnectType[] = "获取打印机联网方式失败！";

}  // namespace

NetForm::NetForm(const ConfiguratorContext& context, QWidget* parent)
    : BaseForm(context, QStringLiteral("网络设置"), parent),
      m_comboBoxSource(new QComboBox(this)),
      m_buttonGet(new QPushButton(QStringLiteral("读取"), this)),
      m_buttonSet(new QPushButton(QStringLiteral("设置"), this))
{
    m_comboBoxSource->setObjectName(QStringLiteral("comboBoxSource"));
    m_comboBoxSource->addItem(QStringLiteral("DHCP"));
    m_comboBoxSource->addItem(QStringLiteral("静态"));
    m_buttonGet->setObjectName(QStringLiteral("buttonGet"));
    m_buttonSet->setObjectName(QStringLiteral("buttonSet"));

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(QStringLiteral("IP获取方式"), this), 0, 0);
    grid->addWidget(m_comboBoxSource, 0, 1, 1, 7);
    // Whole numbers from 0 to 255 only: "256" cannot even be typed.
    auto* validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("2[0-4][0-9]|25[0-5]|[01]?[0-9][0-9]?")), this);
    for (int row = 0; row < kAddressCount; ++row) {
        grid->addWidget(new QLabel(QString::fromUtf8(kAddressLabels[row]), this), row + 1, 0);
        for (int part = 0; part < 4; ++part) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("lineEdit_%1_%2").arg(row + 1).arg(part + 1));
            edit->setValidator(validator);
            edit->setMaxLength(3);
            edit->setAlignment(Qt::AlignCenter);
            m_addressEdits[static_cast<std::size_t>(row)][static_cast<std::size_t>(part)] = edit;
            grid->addWidget(edit, row + 1, 1 + 2 * part);
            if (part < 3)
                grid->addWidget(new QLabel(QStringLiteral("."), this), row + 1, 2 + 2 * part);
        }
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_buttonGet);
    buttons->addWidget(m_buttonSet);
    buttons->addStretch();

    ContentLayout()->addLayout(grid);
    ContentLayout()->addLayout(buttons);
    ContentLayout()->addStretch();

    connect(m_comboBoxSource, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &NetForm::OnComboBoxSourceChanged);
    connect(m_buttonGet, &QPushButton::clicked, this, &NetForm::OnButtonGetClicked);
    connect(m_buttonSet, &QPushButton::clicked, this, &NetForm::OnButtonSetClicked);
    InitEdit();
}

void NetForm::InitForm()
{
    RefreshDeviceCombobox();
    InitEdit();
}

void NetForm::OnComboBoxDeviceChanged(int)
{
    InitEdit();
}

void NetForm::InitEdit()
{
    for (const AddressEdits& edits : m_addressEdits)
        for (QLineEdit* edit : edits)
            edit->setText(QStringLiteral("0"));
    m_comboBoxSource->setCurrentIndex(0);
    OnComboBoxSourceChanged(0);
    m_iface = kIfaceUnknown;
    m_buttonSet->setEnabled(false);
}

void NetForm::OnComboBoxSourceChanged(int index)
{
    for (const AddressEdits& edits : m_addressEdits)
        for (QLineEdit* edit : edits)
            edit->setEnabled(index != 0);
}

bool NetForm::SelectedUsbPrinter(QString& port, int& vid, int& pid)
{
    const stPrinterInfo* printer = SelectedPrinter();
    if (printer == nullptr) {
        ShowMessageBoxOk(QString::fromUtf8(kTextChoosePrinter));
        return false;
    }
    if (printer->iConnectType != kUsbConnection) {
        ShowMessageBoxOk(QStringLiteral("请选择通过USB连接的打印机进行操作！"));
        return false;
    }
    if (!GetPrinterVidPid(printer->strPort, vid, pid)) {
        ShowMessageBoxOk(QString::fromUtf8(kTextUnsupportedModel));
        return false;
    }
    port = printer->strPort;
    return true;
}

bool NetForm::CheckPrinterIPStatusUSB(int vid, int pid, const QString& port, unsigned char* reply, int& length)
{
    const auto& query = configurator_frames::kConnectTypeQuery;
    const int code = USBSendRecvData(*Context().usb, vid, pid, port, query.data(), static_cast<int>(query.size()),
                                     reply, kReplyBufferSize, length);
    return code == USB_OK && length >= kMinConnectTypeReply;
}

void NetForm::OnButtonGetClicked()
{
    QString port;
    int vid = 0;
    int pid = 0;
    if (!SelectedUsbPrinter(port, vid, pid))
        return;

    unsigned char reply[kReplyBufferSize] = {};
    int length = 0;
    stIPInfo connectType;
    if (!CheckPrinterIPStatusUSB(vid, pid, port, reply, length)) {
        ShowMessageBoxOk(QString::fromUtf8(kTextNoConnectType));
        return;
    }
    // Only the "ct" item matters here; the rest of the answer is not checked.
    ParseRecvData(reply, length, connectType);
    if (connectType.iface == kIfaceUnknown) {
        ShowMessageBoxOk(QString::fromUtf8(kTextNoConnectType));
        return;
    }

    const auto frame = configurator_frames::SettingsReadFrame(connectType.iface);
    const int code = USBSendRecvData(*Context().usb, vid, pid, port, frame.data(), static_cast<int>(frame.size()),
                                     reply, kReplyBufferSize, length);
    if (code != USB_OK) {
        ShowMessageBoxOk(UsbResultMessage(code));
        return;
    }
    stIPInfo info;
    if (!ParseRecvData(reply, length, info)) {
        ShowMessageBoxOk(QStringLiteral("获取数据失败，请稍后重试！"));
        return;
    }
    SetSheetInfo(info);
    m_iface = connectType.iface;
    m_buttonSet->setEnabled(true);
}

void NetForm::OnButtonSetClicked()
{
    QString port;
    int vid = 0;
    int pid = 0;
    if (!SelectedUsbPrinter(port, vid, pid))
        return;

    stIPInfo info;
    if (!GetSheetInfo(info)) {
        ShowMessageBoxOk(QStringLiteral("不正确的地址格式！"));
        return;
    }
    SettingsWriteFrame frame{};
    WriteSendData(info, frame);
    unsigned char reply[kReplyBufferSize] = {};
    int received = 0;
    const int code = USBSendRecvData(*Context().usb, vid, pid, port, frame.data(), static_cast<int>(frame.size()),
                                     reply, kReplyBufferSize, received);
    ShowMessageBoxOk(code == USB_OK ? QStringLiteral("设置成功，请等待打印机完成重连！") : UsbResultMessage(code));
}

bool NetForm::GetIPFromEdit(QString& address, const AddressEdits& edits)
{
    QStringList parts;
    for (const QLineEdit* edit : edits)
        parts << edit->text();
    const QString joined = parts.join(QLatin1Char('.'));
    if (!IsIPValid(joined))
        return false;
    address = joined;
    return true;
}

bool NetForm::SetIPToEdit(const QString& address, const AddressEdits& edits)
{
    if (!IsIPValid(address))
        return false;
    const QStringList parts = address.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (std::size_t i = 0; i < edits.size(); ++i)
        edits[i]->setText(parts[static_cast<int>(i)]);
    return true;
}

bool NetForm::GetSheetInfo(stIPInfo& info) const
{
    info.iface = m_iface;
    info.mode = m_comboBoxSource->currentIndex();
    bool allValid = true;
    for (int row = 0; row < kAddressCount; ++row)
        allValid = GetIPFromEdit(AddressOf(info, row), m_addressEdits[static_cast<std::size_t>(row)]) && allValid;
    return allValid;
}

bool NetForm::SetSheetInfo(const stIPInfo& info)
{
    m_comboBoxSource->setCurrentIndex(info.mode);
    bool allSet = true;
    for (int row = 0; row < kAddressCount; ++row)
        allSet = SetIPToEdit(AddressOf(info, row), m_addressEdits[static_cast<std::size_t>(row)]) && allSet;
    return allSet;
}
