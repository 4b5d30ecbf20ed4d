#pragma once

// The cleaning page: sends the cleaning command, and the repeated cleaning
// once a cleaning went out for the selected printer.

#include "base_form.h"

class QPushButton;

class CleanForm : public BaseForm {
    Q_OBJECT
public:
    explicit CleanForm(const ConfiguratorContext& context, QWidget* parent = nullptr);

    void InitForm() override;
    void OnComboBoxDeviceChanged(int index) override;

private slots:
    void OnButtonCleanClicked();

private:
    QPushButton* m_buttonClean;
    bool m_bRepeat = false;  // a cleaning went out for the selected printer
};
