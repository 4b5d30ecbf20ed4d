#pragma once

#include "assistant_paths.h"
#include "shared_printer_list.h"

#include <QList>
#include <QSystemTrayIcon>
#include <QWidget>

class AppSetting;
class QAction;
class QMenu;
class QThread;

namespace Ui {
class PrinterAssistantWidget;
}

namespace assistant {
class TrdDeviceManage;
class TrdGetPrinterStatus;
}

// The assistant's window and tray presence: one table row per printer of the
// printer list (name, connection, remaining toner, status), tray balloons for
// printer errors and warnings, and the tray menu. It owns the shared printer
// list and the threads of the list reader and the status readers.
class PrinterAssistantWidget : public QWidget {
    Q_OBJECT

public:
    explicit PrinterAssistantWidget(QWidget* parent = nullptr, const AssistantPaths& paths = AssistantPaths());
    ~PrinterAssistantWidget() override;

    static constexpr int kBalloonMs = 3000;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Shows a tray balloon.
    virtual void ShowBalloon(const QString& title, const QString& message, QSystemTrayIcon::MessageIcon icon,
                             int ms);

    assistant::SharedPrinterList& PrinterList() { return m_printerList; }
    int StatusWorkerCount() const { return m_listStatusWorker.size(); }
    QSystemTrayIcon* TrayIcon() const { return m_pTrayIcon; }
    AppSetting* SettingDialog() const { return m_pAppSetting; }

signals:
    void SgnManageThreadStart();
    void SgnStatusThreadStart();
    void SgnThreadQuit();

public slots:
    void SlotActivatedTrayIcon(QSystemTrayIcon::ActivationReason reason);
    void SlotTrayActionShow();
    void SlotTrayActionUpdateFW();
    void SlotTrayActionSetting();
    void SlotTrayActionExit();
    void SlotUpdatePrinterStatus(int index);
    void SlotUpdatePrinterList();

private:
    void InitLog();
    void InitDeviceTable();
    void InitTrayIcon();
    void InitThread();
    void StopThreads();
    void DebugOutputPrinterInfo();
    void DebugOutputPrinterStatus(int index);

    Ui::PrinterAssistantWidget* ui;
    QSystemTrayIcon* m_pTrayIcon = nullptr;
    QMenu* m_pTrayMenu = nullptr;
    QAction* m_pActionShow = nullptr;
    QAction* m_pActionUpdateFW = nullptr;
    QAction* m_pActionSetting = nullptr;
    QAction* m_pActionExit = nullptr;
    QList<assistant::TrdGetPrinterStatus*> m_listStatusWorker;
    QList<QThread*> m_listStatusThread;
    assistant::TrdDeviceManage* m_pDeviceManage = nullptr;
    QThread* m_pManageThread = nullptr;
    AppSetting* m_pAppSetting = nullptr;
    assistant::SharedPrinterList m_printerList;
    int m_iThreadCount = 0;
    int m_iLanguage = 1;
    AssistantPaths m_paths;
};
