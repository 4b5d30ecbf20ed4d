#pragma once

#include "scan_log_reader.h"
#include "viewer_paths.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

namespace Ui {
class MainWindow;
}

// ScanLogViewer's window: the scan log as a table of five columns, with
// refresh, clear and close. It has nothing in common with ScanStudio's
// window of the same name.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `installRoot` ends with "/"; the log is scan/scanAppLog.log below it.
    // Reads the log and gives it mode 0777.
    explicit MainWindow(QWidget *parent = nullptr, const QString &installRoot = viewer_paths::defaultInstallRoot());
    ~MainWindow() override;

    // Reads the log at `path` and shows its records.
    void load(const QString &path);

private slots:
    void on_btn_refreash_clicked();
    void on_btn_clear_clicked();
    void on_btn_close_clicked();

private:
    void fillTable();

    const QString m_logPath;
    QList<Data> m_records;
    QStringList m_headers;
    Ui::MainWindow *ui;
};
