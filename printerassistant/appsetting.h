#pragma once

#include "assistant_paths.h"

#include <QString>
#include <QWidget>

namespace Ui {
class AppSetting;
}

// The settings dialog: whether the assistant starts at login, which is the
// presence of its autostart entry in the user's autostart folder.
class AppSetting : public QWidget {
    Q_OBJECT

public:
    explicit AppSetting(const AssistantPaths& paths = AssistantPaths(), QWidget* parent = nullptr);
    ~AppSetting() override;

    static constexpr char kAutoStartEntry[] = "taliro-q804-tool-autostart.desktop";

    bool ReadAutoStartOption() const;
    // Copies the entry from beside the program (never over an existing one)
    // or removes it; the result of that copy or removal.
    bool SaveAutoStartOption(bool on);
    void InitOption();
    void SaveOption();
    static void ScaleControl(QWidget* widget);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void on_pushButtonOK_clicked();
    void on_pushButtonCancel_clicked();

private:
    QString AutoStartFolder() const;
    QString AutoStartPath() const;

    Ui::AppSetting* ui;
    AssistantPaths m_paths;
};
