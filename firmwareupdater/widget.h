#pragma once

// FirmwareUpdater's window: the USB printers of the printer list with their
// state, the firmware file, and the update of the selected printer.

#include "printer_records.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QWidget>

class UsbOps;

namespace Ui {
class Widget;
}

// What the window reaches outside itself: the install root (printer list and
// status files) and the USB library.
struct FirmwareContext {
    QString installRoot;
    UsbOps* usb;
};

class Widget : public QWidget {
    Q_OBJECT
public:
    explicit Widget(const FirmwareContext& context, QWidget* parent = nullptr);
    ~Widget() override;

    // The model table's USB ids of a model name, compared ignoring case.
    static bool GetPrinterVidPid(const QString& model, int& vid, int& pid);
    // The whole file; false when it cannot be opened or read whole.
    static bool CheckFWFile(const QString& path, QByteArray& image);

private slots:
    void on_buttonBrowse_clicked();
    void on_buttonRefresh_clicked();
    void on_buttonOK_clicked();

private:
    void InitUI();
    void InitDeviceTable();
    void RefreshDeviceTable();
    // The USB printers of the printer list, in file order.
    QList<stPrinterInfo> GetPrinterInfo() const;
    int ShowMessageBoxOk(const QString& text);
    int ShowMessageBoxOkCancel(const QString& text);

    Ui::Widget* ui;
    FirmwareContext m_context;
    QList<stPrinterInfo> m_listPrinter;
};
