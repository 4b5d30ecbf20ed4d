#include "alignment_form.h"

#include "message_boxes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kRowsPerColumn = 4;
constexpr int kSpinBoxLimit = 6;

}  // namespace

AlignmentForm::AlignmentForm(const ConfiguratorContext& context, QWidget* parent)
    : BaseForm(context, QStringLiteral("校准"), parent),
      m_labelPrintHint(new QLabel(QStringLiteral("校准前请确认打印机电源已打开并与计算机已连接，\r\n"
                                                 "在纸盒放入A4或Letter尺寸的普通纸，然后单击“打印校准页”。"),
                                  this)),
      m_buttonPrint(new QPushButton(QStringLiteral("打印校准页"), this)),
      m_labelEntryHint(new QLabel(QStringLiteral("对照打印校准页面，选择校准样本中最符合图示图形的号码"), this)),
      m_widgetRows(new QWidget(this)),
      m_buttonFinish(new QPushButton(QStringLiteral("完成校准"), this))
{
    m_labelPrintHint->setWordWrap(true);
    m_labelEntryHint->setWordWrap(true);
    m_buttonPrint->setObjectName(QStringLiteral("buttonPrint"));
    m_buttonFinish->setObjectName(QStringLiteral("buttonFinish"));

    auto* rows = new QGridLayout(m_widgetRows);
    rows->setContentsMargins(0, 0, 0, 0);
    for (int r = 0; r < configurator_frames::kAlignmentRows; ++r) {
        auto* number = new QLabel(QStringLiteral("#%1").arg(r + 1), m_widgetRows);
        auto* picture = new QLabel(m_widgetRows);
        picture->setPixmap(QPixmap(QStringLiteral(":/Resource/alignment_%1.png").arg(r + 1)));
        auto* spinBox = new QSpinBox(m_widgetRows);
        spinBox->setObjectName(QStringLiteral("spinBox_%1").arg(r + 1));
        spinBox->setRange(-kSpinBoxLimit, kSpinBoxLimit);
        spinBox->setSingleStep(1);
        m_spinBoxes[static_cast<std::size_t>(r)] = spinBox;
        const int row = r % kRowsPerColumn;
        const int column = 3 * (r / kRowsPerColumn);
        rows->addWidget(number, row, column);
        rows->addWidget(picture, row, column + 1);
        rows->addWidget(spinBox, row, column + 2);
    }

    ContentLayout()->addWidget(m_labelPrintHint);
    ContentLayout()->addWidget(m_buttonPrint, 0, Qt::AlignHCenter);
    ContentLayout()->addWidget(m_labelEntryHint);
    ContentLayout()->addWidget(m_widgetRows);
    ContentLayout()->addWidget(m_buttonFinish, 0, Qt::AlignHCenter);
    ContentLayout()->addStretch();

    connect(m_buttonPrint, &QPushButton::clicked, this, &AlignmentForm::OnButtonPrintClicked);
    connect(m_buttonFinish, &QPushButton::clicked, this, &AlignmentForm::OnButtonFinishClicked);
    SetAlignmentEnable(false);
}

void AlignmentForm::InitForm()
{
    RefreshDeviceCombobox();
    SetAlignmentEnable(false);
}

void AlignmentForm::OnComboBoxDeviceChanged(int)
{
    SetAlignmentEnable(false);
}

void AlignmentForm::SetAlignmentEnable(bool entry)
{
    if (entry) {
        for (QSpinBox* spinBox : m_spinBoxes)
            spinBox->setValue(0);
    }
    m_labelPrintHint->setVisible(!entry);
    m_buttonPrint->setVisible(!entry);
    m_labelEntryHint->setVisible(entry);
    m_widgetRows->setVisible(entry);
    m_buttonFinish->setVisible(entry);
    DeviceComboBox()->setEnabled(!entry);
}

void AlignmentForm::OnButtonPrintClicked()
{
    const stPrinterInfo* selected = SelectedPrinter();
    if (selected == nullptr) {
        ShowMessageBoxOk(QString::fromUtf8(kTextChoosePrinter));
        return;
    }
    if (ShowMessageBoxOkCancel(QStringLiteral("校准前请确认打印机电源已打开并与计算机已连接，在纸盒放入A4或Letter尺寸的普通纸"))
        != kMessageBoxOk)
        return;
    const stPrinterInfo printer = *selected;
    const auto& frame = configurator_frames::kPrintAlignmentPage;
    if (!SendMaintenanceFrame(printer, frame.data(), frame.size()))
        return;
    ShowMessageBoxOk(QStringLiteral("校准任务已发送，请查看打印机，在校准完成前，请勿执行其他动作。"));
    SetAlignmentEnable(true);
}

void AlignmentForm::OnButtonFinishClicked()
{
    const stPrinterInfo* selected = SelectedPrinter();
    if (selected == nullptr) {
        ShowMessageBoxOk(QString::fromUtf8(kTextChoosePrinter));
        return;
    }
    const stPrinterInfo printer = *selected;
    std::array<int, configurator_frames::kAlignmentRows> values{};
    for (std::size_t r = 0; r < values.size(); ++r)
        values[r] = m_spinBoxes[r]->value();
    const auto frame = configurator_frames::AlignmentValuesFrame(values);
    if (!SendMaintenanceFrame(printer, frame.data(), frame.size()))
        return;
    ShowMessageBoxOk(QStringLiteral("已完成校准。"));
    SetAlignmentEnable(false);
}
