#pragma once

// The assistant's window with its tray balloons recorded instead of shown.

#include "printerassistantwidget.h"

#include <QString>
#include <QTableWidget>

#include <vector>

namespace assistant_test {

struct Balloon {
    QString title;
    QString message;
    QSystemTrayIcon::MessageIcon icon;
    int ms;
};

class RecordingWidget : public PrinterAssistantWidget {
public:
    explicit RecordingWidget(const AssistantPaths& paths)
        : PrinterAssistantWidget(nullptr, paths)
    {
    }

    using PrinterAssistantWidget::PrinterList;
    using PrinterAssistantWidget::SettingDialog;
    using PrinterAssistantWidget::StatusWorkerCount;
    using PrinterAssistantWidget::TrayIcon;

    QTableWidget* Table() const { return findChild<QTableWidget*>(QStringLiteral("tableDeviceManage")); }
    QString Cell(int row, int column) const
    {
        const QTableWidgetItem* item = Table()->item(row, column);
        return item != nullptr ? item->text() : QString();
    }
    std::vector<Balloon> BalloonsFor(const QString& title) const
    {
        std::vector<Balloon> found;
        for (const Balloon& balloon : balloons)
            if (balloon.title == title)
                found.push_back(balloon);
        return found;
    }

    std::vector<Balloon> balloons;

protected:
    void ShowBalloon(const QString& title, const QString& message, QSystemTrayIcon::MessageIcon icon,
                     int ms) override
    {
        balloons.push_back({title, message, icon, ms});
    }
};

}  // namespace assistant_test
