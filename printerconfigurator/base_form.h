#pragma once

// The base of the configurator's working pages: the page title, the printer
// combo box filled from the printer list, the back button, the two message
// boxes, and the exchange of a maintenance frame with the selected printer
// over USB or UDP.

#include "configurator_context.h"
#include "printer_records.h"

#include <QList>
#include <cstddef>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

class BaseForm : public QWidget {
    Q_OBJECT
public:
    BaseForm(const ConfiguratorContext& context, const QString& title, QWidget* parent = nullptr);

    // Called each time the window switches to the page.
    virtual void InitForm() = 0;
    // Called when the printer combo box selects another entry (-1: none).
    virtual void OnComboBoxDeviceChanged(int index) = 0;

    // Reads the printer list again and fills the combo box in list order,
    // the first printer selected.
    void RefreshDeviceCombobox();

    int ShowMessageBoxOk(const QString& text);
    int ShowMessageBoxOkCancel(const QString& text);

signals:
    void SgnChangeForm(int index);

protected slots:
    void OnButtonBackClicked();

protected:
    // The printer list entry of the combo box's selection; null when there is none.
    const stPrinterInfo* SelectedPrinter() const;

    // Sends a maintenance frame to the printer (USB or UDP by its connection
    // type) and shows the failure message when it failed. A USB printer that
    // took the frame but did not answer, and a network printer that did not
    // answer, count as success: the frame went out.
    bool SendMaintenanceFrame(const stPrinterInfo& printer, const unsigned char* frame, std::size_t length);

    // Where the page puts its own widgets, between the printer row and the back button.
    QVBoxLayout* ContentLayout() const { return m_layoutContent; }
    QComboBox* DeviceComboBox() const { return m_comboBoxDevice; }
    const ConfiguratorContext& Context() const { return m_context; }

private:
    ConfiguratorContext m_context;
    QLabel* m_labelTitle;
    QComboBox* m_comboBoxDevice;
    QVBoxLayout* m_layoutContent;
    QPushButton* m_buttonBack;
    QList<stPrinterInfo> m_listPrinter;
};

// The texts the pages share.
inline constexpr char kTextChoosePrinter[] = "请选择一个打印机进行操作！";
inline constexpr char kTextUnsupportedModel[] = "不支持该打印机型号！";
