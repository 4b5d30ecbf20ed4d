#pragma once

// The network settings page: reads and sets a USB printer's address source
// (DHCP or static) and its seven addresses.

#include "base_form.h"
#include "net_settings.h"

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

class NetForm : public BaseForm {
    Q_OBJECT
public:
    explicit NetForm(const ConfiguratorContext& context, QWidget* parent = nullptr);

    void InitForm() override;
    void OnComboBoxDeviceChanged(int index) override;

    using AddressEdits = std::array<QLineEdit*, 4>;

private slots:
    void OnComboBoxSourceChanged(int index);
    void OnButtonGetClicked();
    void OnButtonSetClicked();

private:
    // Every address "0", DHCP, no tag family known: "设置" waits for a read.
    void InitEdit();
    // The port and ids of the selected printer when it is a USB printer of a
    // known model; else false after the message.
    bool SelectedUsbPrinter(QString& port, int& vid, int& pid);
    bool CheckPrinterIPStatusUSB(int vid, int pid, const QString& port, unsigned char* reply, int& length);
    bool GetSheetInfo(stIPInfo& info) const;
    bool SetSheetInfo(const stIPInfo& info);
    static bool GetIPFromEdit(QString& address, const AddressEdits& edits);
    static bool SetIPToEdit(const QString& address, const AddressEdits& edits);

    QComboBox* m_comboBoxSource;
    std::array<AddressEdits, configurator_frames::kAddressCount> m_addressEdits{};
    QPushButton* m_buttonGet;
    QPushButton* m_buttonSet;
    int m_iface = kIfaceUnknown;  // the tag family of the last successful read
};
