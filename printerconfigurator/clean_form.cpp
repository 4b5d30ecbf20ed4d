#include "clean_form.h"

#include "configurator_frames.h"
#include "message_boxes.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char kButtonClean[] = "清洗";
const char kButtonCleanAgain[] = "重新清洗";

}  // namespace

CleanForm::CleanForm(const ConfiguratorContext& context, QWidget* parent)
    : BaseForm(context, QStringLiteral("清洁模式"), parent),
      m_buttonClean(new QPushButton(QString::fromUtf8(kButtonClean), this))
{
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral("://Resource/clean_1.png")));
    picture->setAlignment(Qt::AlignCenter);

    auto* instruction = new QLabel(
        QStringLiteral("点击“清洗”按钮，发送清洗任务。\r\n若检测页面与此图页面更接近，图案较为完整，则清洁完成；\r\n"
                       "若图案出现残缺，请单击“重新清洗”，直至检测图案与此图页面相似。"),
        this);
    instruction->setWordWrap(true);

    m_buttonClean->setObjectName(QStringLiteral("buttonClean"));
    ContentLayout()->addWidget(picture);
    ContentLayout()->addWidget(instruction);
    ContentLayout()->addWidget(m_buttonClean, 0, Qt::AlignHCenter);
    ContentLayout()->addStretch();

    connect(m_buttonClean, &QPushButton::clicked, this, &CleanForm::OnButtonCleanClicked);
}

void CleanForm::InitForm()
{
    RefreshDeviceCombobox();
}

void CleanForm::OnComboBoxDeviceChanged(int)
{
    m_buttonClean->setText(QString::fromUtf8(kButtonClean));
    m_bRepeat = false;
}

void CleanForm::OnButtonCleanClicked()
{
    const stPrinterInfo* selected = SelectedPrinter();
    if (selected == nullptr) {
        ShowMessageBoxOk(QString::fromUtf8(kTextChoosePrinter));
        return;
    }
    if (ShowMessageBoxOkCancel(QStringLiteral("清洁前请确认打印机电源已打开并与计算机已连接，在纸盒放入A4或Letter尺寸的普通纸"))
        != kMessageBoxOk)
        return;
    const stPrinterInfo printer = *selected;
    using namespace configurator_frames;
    const bool sent = m_bRepeat ? SendMaintenanceFrame(printer, kRepeatedCleaning.data(), kRepeatedCleaning.size())
                                : SendMaintenanceFrame(printer, kCleaning.data(), kCleaning.size());
    if (!sent)
        return;
    m_bRepeat = true;
    m_buttonClean->setText(QString::fromUtf8(kButtonCleanAgain));
    ShowMessageBoxOk(QStringLiteral("清洁任务已发送，请查看打印机，在清洁完成前，请勿执行其他动作。"));
}
