#pragma once

// The alignment page: has the printer print its alignment page, then takes
// the seven offsets the user reads from it and sends them to the printer.

#include "base_form.h"
#include "configurator_frames.h"

#include <array>

class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;

class AlignmentForm : public BaseForm {
    Q_OBJECT
public:
    explicit AlignmentForm(const ConfiguratorContext& context, QWidget* parent = nullptr);

    void InitForm() override;
    void OnComboBoxDeviceChanged(int index) override;

    // The entry state (rows and "完成校准"; the printer fixed, every value 0)
    // or the print state (the first instruction and "打印校准页").
    void SetAlignmentEnable(bool entry);

private slots:
    void OnButtonPrintClicked();
    void OnButtonFinishClicked();

private:
    QLabel* m_labelPrintHint;
    QPushButton* m_buttonPrint;
    QLabel* m_labelEntryHint;
    QWidget* m_widgetRows;
    std::array<QSpinBox*, configurator_frames::kAlignmentRows> m_spinBoxes{};
    QPushButton* m_buttonFinish;
};
